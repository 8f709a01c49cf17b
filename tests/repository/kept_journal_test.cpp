// The crash journal kept idle between calls (EngineOptions::keep_idle_journal):
// what it saves, that an idle journal never undoes anything, and who removes
// it. Crashes and errors at every change of a call over an idle journal are
// in crash_safety_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>

#include "kivo/filesystem/failing_file_system.h"
#include "observing_file_system.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kJournal[] = "/r/s.xrt-journal";

EngineOptions KeepingOptions() {
    EngineOptions options = TestOptions();
    options.keep_idle_journal = true;
    return options;
}

bool IsIdle(const Bytes& journal) {
    return journal.size() >= 48 &&
           std::all_of(journal.begin(), journal.begin() + 8, [](std::uint8_t b) { return b == 0; });
}

// The calls of one kind a put makes, counted by a failing file system that
// never fails.
std::uint64_t CallsOfAPut(MemoryDisk& disk, filesystem::FsCallSet calls, const char* name) {
    filesystem::FailingFileSystem counting(disk.fs);
    counting.Plan(filesystem::FailNth(calls, UINT64_MAX));
    Engine engine(counting, KeepingOptions());
    EXPECT_TRUE(engine.Put(kRepository, "/src", {name}).ok());
    return counting.calls_counted();
}

TEST(KeptJournal, ACommittedCallLeavesItIdleAndTheNextWritesOverItWithoutFolderChanges) {
    MemoryDisk disk;
    disk.AddFile("a", Pattern(5000, 1));
    disk.AddFile("b", Pattern(7000, 2));
    disk.AddFile("c", Pattern(9000, 3));
    disk.Store(kRepository, {"a"});

    // The first call makes the file: a creation and its folder's sync.
    EXPECT_EQ(CallsOfAPut(disk, filesystem::kCallSyncDirectory, "b"), 1u);
    ASSERT_TRUE(disk.fs.Exists(kJournal));
    EXPECT_TRUE(IsIdle(*disk.fs.FileBytes(kJournal)));

    // The next finds it idle: nothing made, removed or synced in the folder.
    EXPECT_EQ(CallsOfAPut(disk, filesystem::kCallSyncDirectory | filesystem::kCallUnlink, "c"), 0u);
    EXPECT_TRUE(IsIdle(*disk.fs.FileBytes(kJournal)));
    const std::map<std::string, Bytes> live = LiveMembers(disk.engine, kRepository);
    EXPECT_EQ(live.size(), 3u);
    EXPECT_EQ(live.at("c"), Pattern(9000, 3));
}

TEST(KeptJournal, AnIdleJournalIsNeverPlayedBackAndReadersLeaveIt) {
    MemoryDisk disk;
    disk.AddFile("a", Pattern(5000, 1));
    disk.Store(kRepository, {"a"});
    Engine keeping(disk.fs, KeepingOptions());
    disk.AddFile("b", Pattern(7000, 2));
    ASSERT_TRUE(keeping.Put(kRepository, "/src", {"b"}).ok());
    const Bytes after = disk.FileBytes(kRepository);
    ASSERT_TRUE(disk.fs.Exists(kJournal));

    // A power cut now: the idle journal is durable, and means no journal.
    disk.fs.PowerLoss(filesystem::PowerLossStyle::kDropUnsynced, 1);
    std::vector<std::string> trace;
    EngineOptions tracing = TestOptions();
    tracing.trace = [&](const std::string& line) { trace.push_back(line); };
    Engine reader(disk.fs, tracing);
    EXPECT_EQ(LiveMembers(reader, kRepository).size(), 2u);
    EXPECT_TRUE(reader.CheckIntegrity(kRepository).ok());
    EXPECT_TRUE(trace.empty()) << trace.front();
    EXPECT_EQ(disk.FileBytes(kRepository), after);
    EXPECT_TRUE(disk.fs.Exists(kJournal)) << "a reader removed the writer's kept journal";

    // A writer that does not keep it writes over it and removes it.
    disk.AddFile("c", Pattern(100, 3));
    ASSERT_TRUE(disk.engine.Put(kRepository, "/src", {"c"}).ok());
    EXPECT_FALSE(disk.fs.Exists(kJournal));
    EXPECT_EQ(LiveMembers(disk.engine, kRepository).size(), 3u);
}

// A store of "a" and "b", "b" put by a keeping engine, and "c" to store.
void KeptAfterOnePut(MemoryDisk& disk) {
    disk.AddFile("a", Pattern(5000, 1));
    disk.Store(kRepository, {"a"});
    disk.AddFile("b", Pattern(7000, 2));
    ASSERT_TRUE(Engine(disk.fs, KeepingOptions()).Put(kRepository, "/src", {"b"}).ok());
    disk.AddFile("c", Pattern(200000, 3));
}

TEST(KeptJournal, DiscardRemovesOnlyAnIdleJournal) {
    MemoryDisk counted;
    KeptAfterOnePut(counted);
    counted.fs.CrashAtChange(0);
    ASSERT_TRUE(Engine(counted.fs, KeepingOptions()).Put(kRepository, "/src", {"c"}).ok());
    const std::uint64_t changes = counted.fs.changes_counted();

    MemoryDisk disk;
    KeptAfterOnePut(disk);
    Engine keeping(disk.fs, KeepingOptions());
    ASSERT_TRUE(disk.fs.Exists(kJournal));
    EXPECT_TRUE(keeping.DiscardIdleJournal(kRepository).ok());
    EXPECT_FALSE(disk.fs.Exists(kJournal));
    EXPECT_TRUE(keeping.DiscardIdleJournal(kRepository).ok()) << "nothing to discard";

    // A journal of an interrupted call is played back, not just removed. The
    // last three changes of the put are the repository's sync, the journal's
    // zeroing and its sync: crash at the first.
    MemoryDisk crashed;
    KeptAfterOnePut(crashed);
    const Bytes before = crashed.FileBytes(kRepository);
    crashed.fs.CrashAtChange(changes - 2);
    Engine(crashed.fs, KeepingOptions()).Put(kRepository, "/src", {"c"});
    ASSERT_TRUE(crashed.fs.crashed());
    crashed.fs.PowerLoss(filesystem::PowerLossStyle::kKeepEverything, 1);
    ASSERT_TRUE(crashed.fs.Exists(kJournal));
    ASSERT_FALSE(IsIdle(*crashed.fs.FileBytes(kJournal)));
    ASSERT_NE(crashed.FileBytes(kRepository), before);
    EXPECT_TRUE(Engine(crashed.fs, KeepingOptions()).DiscardIdleJournal(kRepository).ok());
    EXPECT_FALSE(crashed.fs.Exists(kJournal));
    EXPECT_EQ(crashed.FileBytes(kRepository), before);
}

// Over the idle journal of a put just before, a put sends only the pages of
// its journal that differ from it; a journal shorter than the idle one cuts
// the file to its own length.
TEST(KeptJournal, AJournalOverALikeOneWritesOnlyItsChangedPages) {
    MemoryDisk disk;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) {
        names.push_back("a-member-whose-name-is-quite-long-" + std::to_string(1000 + i));
        disk.AddFile(names.back(), Pattern(50, i));
    }
    disk.Store(kRepository, names);
    disk.AddFile("new1", Pattern(6000, 1));
    disk.AddFile("new2", Pattern(6000, 2));
    ASSERT_TRUE(Engine(disk.fs, KeepingOptions()).Put(kRepository, "/src", {"new1"}).ok());
    const std::size_t idle_bytes = disk.FileBytes(kJournal).size();
    ASSERT_GT(idle_bytes, 6u * 4096) << "a journal of several pages";

    std::size_t journal_bytes_written = 0;
    ObservingFileSystem observed(disk.fs, [&](const Transfer& transfer) {
        if (transfer.is_write && transfer.path == kJournal) {
            journal_bytes_written += transfer.size_bytes;
        }
    });
    ASSERT_TRUE(Engine(observed, KeepingOptions()).Put(kRepository, "/src", {"new2"}).ok());
    EXPECT_GT(disk.FileBytes(kJournal).size(), idle_bytes);
    EXPECT_LE(journal_bytes_written, 3u * 4096 + 8) << "pages written, and the zeroed magic";
    EXPECT_EQ(LiveMembers(disk.engine, kRepository).at("new2"), Pattern(6000, 2));

    // A deletion saves a few entries only.
    ASSERT_TRUE(Engine(disk.fs, KeepingOptions()).Delete(kRepository, {names[7]}).ok());
    const Bytes journal = disk.FileBytes(kJournal);
    EXPECT_TRUE(IsIdle(journal));
    EXPECT_LT(journal.size(), 1000u);
}

}  // namespace
}  // namespace kivo::repository::test
