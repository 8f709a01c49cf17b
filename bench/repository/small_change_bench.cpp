// Small changes to a large repository, in one process, the way the program
// makes them: a repository of 10,000 members, then, with the crash journal
// kept idle between calls (EngineOptions::keep_idle_journal), puts of one
// ~7 KB member under a new name, puts that replace a member, and deletions
// of one member. Prints the median wall and CPU (user + system) time of each
// kind of call and the load average; run it under `strace -c -f` for the
// system calls, which do not depend on the load.
//
// Usage: small_change_bench [FOLDER] [--members N] [--calls N]
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/engine.h"

namespace kivo::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kFillerBytes = 512;
constexpr std::uint64_t kChangeBytes = 7000;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void Require(const repository::StatusRecord& status, const char* what) {
    if (!status.ok()) {
        std::fprintf(stderr, "%s failed: %s\n", what, status.messages.front().text.c_str());
        std::exit(1);
    }
}

// A phase mark on standard error, for reading an strace log by phase
// (/proc/self/fd/2 is not buffered).
void Mark(const char* phase) {
    std::fprintf(stderr, "== %s\n", phase);
}

struct Timing {
    std::vector<double> wall_ms;
    std::vector<double> cpu_ms;
};

template <typename Call>
void TimeCall(Timing& timing, Call call) {
    const double cpu_before = CpuSeconds();
    const auto wall_before = std::chrono::steady_clock::now();
    call();
    const auto wall_after = std::chrono::steady_clock::now();
    timing.cpu_ms.push_back((CpuSeconds() - cpu_before) * 1e3);
    timing.wall_ms.push_back(
        std::chrono::duration<double, std::milli>(wall_after - wall_before).count());
}

void Print(const char* what, const Timing& timing) {
    std::printf("| %s | %.2f | %.2f |\n", what, Median(timing.wall_ms), Median(timing.cpu_ms));
}

int Run(const fs::path& base, int members, int calls) {
    const fs::path root = base / ("small_change_bench." + std::to_string(getpid()));
    const fs::path fillers = root / "fillers";
    const fs::path changes = root / "changes";
    fs::create_directories(fillers);
    fs::create_directories(changes);
    for (int i = 0; i < members; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "R%07d.xrz", i);
        WriteRandomFile((fillers / name).string(), kFillerBytes, static_cast<std::uint64_t>(i));
    }
    std::vector<std::string> new_names;
    for (int i = 0; i < calls; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "N%07d.xrz", i);
        new_names.push_back(name);
        WriteRandomFile((changes / name).string(), kChangeBytes, 1000000u + i);
    }
    const std::string store = (root / "store.xrt").string();
    filesystem::FileSystem& file_system = filesystem::DefaultFileSystem();
    repository::EngineOptions options;
    options.keep_idle_journal = true;
    repository::Engine engine(file_system, options);
    Require(engine.PutAll(store, fillers.string(), {}), "filling the repository");

    Timing put_new, put_replace, remove;
    Mark("put new");
    for (int i = 0; i < calls; ++i) {
        TimeCall(put_new,
                 [&] { Require(engine.Put(store, changes.string(), {new_names[i]}, {}), "put"); });
    }
    Mark("put replacing");
    for (int i = 0; i < calls; ++i) {
        TimeCall(put_replace, [&] {
            Require(engine.Put(store, changes.string(), {new_names[i]}, {}), "replace");
        });
    }
    Mark("delete");
    for (int i = 0; i < calls; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "R%07d.xrz", i * 97 % members);
        TimeCall(remove, [&] { Require(engine.Delete(store, {name}), "delete"); });
    }
    Mark("end");
    Require(engine.DiscardIdleJournal(store), "discarding the idle journal");
    std::printf("%d members, %d calls each, load average %s\n\n", members, calls,
                LoadAverage().c_str());
    std::printf("| call (medians) | wall ms | CPU ms |\n|---|---|---|\n");
    Print("put 1 new member", put_new);
    Print("put 1 replacing a member", put_replace);
    Print("delete 1 member", remove);
    fs::remove_all(root);
    return 0;
}

}  // namespace
}  // namespace kivo::bench

int main(int argc, char** argv) {
    std::filesystem::path base = "/tmp";
    int members = 10000;
    int calls = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--members") == 0 && i + 1 < argc) {
            members = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--calls") == 0 && i + 1 < argc) {
            calls = std::max(1, std::atoi(argv[++i]));
        } else {
            base = argv[i];
        }
    }
    return kivo::bench::Run(base, members, calls);
}
