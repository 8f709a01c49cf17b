// Times the data store operations of the main window on a large store: a
// store of 100,000 records (record lines made with the record store library,
// one small container per record, an index entry per record) is opened, its
// dictations are listed sorted by date, 100 records are deleted and the
// store is compacted.
//
// Usage: store_bench [RECORDS] [FOLDER]   (defaults 100000, $TMPDIR)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/record_list.h"
#include "kivo/core/working_folder.h"
#include "kivo/exchange/store_compaction.h"
#include "large_store.h"
#include "zn2xrrps.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
namespace rs = kivo::recordstore;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, double seconds) {
    std::printf("%-48s %9.3f s\n", what, seconds);
}

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "store_bench: %s\n", what.c_str());
    std::exit(1);
}

double DeletedMegabytes(const fs::path& store) {
    RPS_STATUS* status = RPS_Info(store.c_str());
    return static_cast<double>(status->deleted_size) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (records < 200)
        Die("at least 200 records");
    const char* tmp = std::getenv("TMPDIR");
    const fs::path root = argc > 2 ? fs::path(argv[2]) : fs::path(tmp && *tmp ? tmp : "/tmp");

    kivo::core::WorkingFolder bench_folder;
    if (bench_folder.Create(root) != 0)
        Die("no folder under " + root.string());
    const fs::path scratch = bench_folder.path() / "scratch";
    fs::create_directory(scratch);
    const fs::path store = bench_folder.path() / "Bench.xrt";

    auto start = Clock::now();
    if (std::string error = kivo::bench::MakeLargeStore(scratch, store, records); !error.empty())
        Die(error);
    fs::remove_all(scratch);
    std::printf("Data store of %d records, %.1f MB\n", records,
                static_cast<double>(fs::file_size(store)) / 1e6);
    Report("make the store (record store library)", SecondsSince(start));

    kivo::core::WorkingFolder working;
    if (working.Create(root) != 0)
        Die("no working folder");
    kivo::core::DataStoreSession session(working.path());
    session.set_location({bench_folder.path(), "Bench"});

    start = Clock::now();
    if (int code = session.LoadDataStore(); code != 0)
        Die("open: " + std::to_string(code));
    Report("open (unpack the components)", SecondsSince(start));

    kivo::core::RecordList list;
    start = Clock::now();
    int listed = list.List(kivo::core::ViewKind::kDictation, working.path());
    list.ClickHeader(2);  // Date
    Report(("list dictations sorted by date (" + std::to_string(listed) + " rows)").c_str(),
           SecondsSince(start));

    start = Clock::now();
    int every_kind = 0;
    for (kivo::core::ViewKind view : kivo::core::KindIconOrder()) {
        kivo::core::RecordList kind_list;
        every_kind += kind_list.List(view, working.path());
    }
    Report(("list every kind (" + std::to_string(every_kind) + " rows)").c_str(),
           SecondsSince(start));

    std::vector<kivo::core::SelectedRecord> selection;
    for (std::size_t i = 0; i < list.rows().size() && selection.size() < 100; i += 50) {
        const auto& row = list.rows()[i];
        selection.push_back(
            {std::stoi(row.columns[0]), kivo::core::ViewKind::kDictation, row.columns[5]});
    }
    start = Clock::now();
    if (kivo::core::DeleteRecords(session, selection) != 0)
        Die("delete");
    Report("delete 100 records (and commit)", SecondsSince(start));

    std::printf("Deleted space before compaction: %.1f MB\n", DeletedMegabytes(store));
    start = Clock::now();
    kivo::exchange::StoreCompaction compaction(session);
    compaction.RunAll({});
    if (!compaction.errors().empty())
        Die("compaction: " + compaction.errors().front());
    Report("compact (logs, index, repository, save)", SecondsSince(start));
    std::printf("Data store after compaction: %.1f MB, deleted space %.1f MB\n",
                static_cast<double>(fs::file_size(store)) / 1e6, DeletedMegabytes(store));
    return 0;
}
