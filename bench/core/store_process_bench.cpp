// The data store rows of the performance table, measured as whole processes:
//
//   open a data store of 100,000 records   a process that opens it
//                                          (DataStoreSession::LoadDataStore)
//   kivoctl list of that store             awk picking the same record lines
//                                          from the record log, then sort
//   kivoctl search of that store for a     grep for the word over the record
//   word every record has (and --smart)    index extracted beside it
//
// The program and its reference take turns (which goes first alternates by
// round) and the medians of the rounds are printed with the load average.
// The store is made once (it takes a while) and kept in FOLDER for the next
// run; the reference reads the record log extracted beside it.
//
// Usage: store_process_bench [FOLDER] [--records N] [--rounds N] [--kivoctl PATH]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/working_folder.h"
#include "large_store.h"
#include "zn2xrrps.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "store_process_bench: %s\n", what.c_str());
    std::exit(1);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string LoadAverage() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3)
        return "unknown";
    char text[48];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

// Runs the program with its standard output into /dev/null; the seconds from
// start to exit. A failed run ends the benchmark: its time would mean nothing.
double TimeProcess(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        Die("cannot start " + arguments[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Die(arguments[0] + " failed");
    return seconds;
}

// The child of the open row: opens the store as the main window does, in a
// working folder of its own, and exits.
int OpenOnce(const fs::path& store) {
    kivo::core::WorkingFolder working;
    if (working.Create(store.parent_path()) != 0)
        return 1;
    kivo::core::DataStoreSession session(working.path());
    session.set_location({store.parent_path(), store.stem().string()});
    return session.LoadDataStore() == 0 ? 0 : 1;
}

fs::path PrepareStore(const fs::path& folder, int records) {
    const fs::path store = folder / ("Bench" + std::to_string(records) + ".xrt");
    if (fs::exists(store))
        return store;
    const fs::path scratch = folder / "scratch";
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    std::printf("making a store of %d records (once; kept in %s)\n", records, folder.c_str());
    if (std::string error = kivo::bench::MakeLargeStore(scratch, store, records); !error.empty())
        Die(error);
    fs::remove_all(scratch);
    return store;
}

struct Row {
    const char* work;
    std::vector<double> kivo;
    std::vector<double> reference;
    std::vector<double> ratios;

    // One round of the program and its reference, which goes first by round.
    void TimeRound(int round, const std::vector<std::string>& program,
                   const std::string& reference_command) {
        double program_seconds = 0;
        double reference_seconds = 0;
        const auto run_program = [&] { program_seconds = TimeProcess(program); };
        const auto run_reference = [&] {
            reference_seconds = TimeProcess({"sh", "-c", reference_command});
        };
        if (round % 2 == 0) {
            run_program();
            run_reference();
        } else {
            run_reference();
            run_program();
        }
        kivo.push_back(program_seconds);
        reference.push_back(reference_seconds);
        ratios.push_back(program_seconds / reference_seconds);
    }
};

void PrintRow(const Row& row, const char* reference) {
    std::printf("%-40s %8.3f s", row.work, Median(row.kivo));
    if (!row.reference.empty()) {
        std::printf("   %s %.3f s   ratio %.2f", reference, Median(row.reference),
                    Median(row.ratios));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0)
        return OpenOnce(argv[2]);
    fs::path root = "/tmp";
    int records = 100000;
    int rounds = 9;
    std::string kivoctl = KIVO_KIVOCTL_PATH;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--records" && i + 1 < argc)
            records = std::atoi(argv[++i]);
        else if (argument == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--kivoctl" && i + 1 < argc)
            kivoctl = argv[++i];
        else
            root = argument;
    }
    if (records < 200)
        Die("at least 200 records");
    const fs::path folder = root / "kivo-store-process-bench";
    fs::create_directories(folder);
    const fs::path store = PrepareStore(folder, records);
    const fs::path lines = folder / "lines";
    fs::create_directories(lines);
    const char* log_name[] = {"Voxwren.xrr", "Voxwren.xri"};
    if (RPS_Get(store.c_str(), lines.c_str(), log_name, 2) != nullptr)
        Die("extracting the record log and the record index");
    const std::string self = fs::canonical("/proc/self/exe").string();
    // The dictation lines (kind 0 or 5), sorted by ID as kivoctl lists them.
    const std::string awk_sort = "awk '$1 != \"00000000\" && ($2 == \"0\" || $2 == \"5\")' " +
                                 (lines / log_name[0]).string() + " | sort";
    // Every record of the store has "budget" among its keywords.
    const std::string grep = "grep -i budget " + (lines / log_name[1]).string();

    std::printf("load average at start: %s\n", LoadAverage().c_str());
    Row open{"open a data store (whole process)", {}, {}, {}};
    Row list{"kivoctl list (whole process)", {}, {}, {}};
    Row search{"kivoctl search budget (whole process)", {}, {}, {}};
    Row smart{"kivoctl search --smart budget", {}, {}, {}};
    for (int round = 0; round < rounds; ++round) {
        open.kivo.push_back(TimeProcess({self, "--open", store.string()}));
        list.TimeRound(round, {kivoctl, "list", store.string()}, awk_sort);
        search.TimeRound(round, {kivoctl, "search", store.string(), "budget"}, grep);
        smart.TimeRound(round, {kivoctl, "search", store.string(), "--smart", "budget"}, grep);
    }
    std::printf("%d records, %d rounds, medians; load average at end: %s\n", records, rounds,
                LoadAverage().c_str());
    PrintRow(open, "");
    PrintRow(list, "awk | sort");
    PrintRow(search, "grep");
    PrintRow(smart, "grep");
    return 0;
}
