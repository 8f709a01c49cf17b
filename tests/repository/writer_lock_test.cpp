// WriterLock: the holder's engine writes as usual across many calls, any other
// writer waits its bounded time and then fails plainly without changing
// anything, readers are not held up, and a journal left by a crash is played
// back only by someone entitled to write.
#include "kivo/repository/writer_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "repository_test_support.h"
#include "temp_dir.h"

namespace kivo::repository::test {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kInUseHere[] =
    "RPS01 Unable to open repository file (/r/s.xrt) - The repository is in use by another "
    "program\n";

EngineOptions ShortWait() {
    EngineOptions options = TestOptions();
    options.lock_wait = milliseconds(100);
    return options;
}

WriterLockOptions ShortLockWait() {
    WriterLockOptions options;
    options.wait = milliseconds(100);
    return options;
}

// A repository holding a and b.
void WithTwoMembers(MemoryDisk& disk) {
    disk.AddFile("a", TextBytes("alpha"));
    disk.AddFile("b", TextBytes("bravo"));
    disk.Store(kRepository, {"a", "b"});
}

TEST(WriterLock, TheHoldersEngineReadsAndWritesAcrossCallsWhileAnotherWriterIsTurnedAway) {
    MemoryDisk disk;
    WithTwoMembers(disk);
    WriterLock lock = WriterLock::Acquire(disk.fs, kRepository);
    ASSERT_TRUE(lock.held()) << Messages(lock.status());
    Engine holder(disk.fs, lock, TestOptions());
    Engine other(disk.fs, ShortWait());

    ASSERT_EQ(holder.Info(kRepository).entries.size(), 2u);
    ASSERT_TRUE(holder.Delete(kRepository, {"a"}).ok());
    Bytes between = disk.FileBytes(kRepository);

    const SteadyClock::time_point start = SteadyClock::now();
    StatusRecord refused = other.Put(kRepository, "/src", {"a"});
    EXPECT_GE(SteadyClock::now() - start, milliseconds(100)) << "gave up without waiting";
    EXPECT_EQ(Messages(refused), kInUseHere);
    EXPECT_EQ(refused.severity, kSeverityFailure);
    EXPECT_EQ(Messages(other.Delete(kRepository, {"b"})), kInUseHere);
    EXPECT_EQ(Messages(other.Compress(kRepository)), kInUseHere);
    EXPECT_EQ(disk.FileBytes(kRepository), between) << "a refused writer changed the file";

    // Readers other than the holder are not held up by the lock.
    EXPECT_EQ(LiveMembers(other, kRepository).size(), 1u);
    EXPECT_TRUE(other.CheckIntegrity(kRepository).ok());

    ASSERT_TRUE(holder.UnDelete(kRepository, "a", 1).ok());
    ASSERT_TRUE(holder.Compress(kRepository).ok());
    EXPECT_EQ(LiveMembers(holder, kRepository).size(), 2u);

    lock.Release();
    EXPECT_TRUE(other.Delete(kRepository, {"b"}).ok()) << "released, yet still in use";
}

TEST(WriterLock, ASecondLockOnTheSameFileWaitsAndFails) {
    MemoryDisk disk;
    WithTwoMembers(disk);
    WriterLock first = WriterLock::Acquire(disk.fs, kRepository);
    ASSERT_TRUE(first.held());
    WriterLock second = WriterLock::Acquire(disk.fs, kRepository, ShortLockWait());
    EXPECT_FALSE(second.held());
    EXPECT_EQ(Messages(second.status()), kInUseHere);

    WriterLock moved = std::move(first);
    EXPECT_TRUE(moved.held());
    moved = WriterLock::Acquire(disk.fs, "/r/other.xrt", {milliseconds(100), true});
    EXPECT_TRUE(moved.held()) << Messages(moved.status());
    EXPECT_TRUE(WriterLock::Acquire(disk.fs, kRepository, ShortLockWait()).held())
        << "the lock moved away and was given up, yet the file is still held";
}

// On the machine's file system, with two threads (the in-memory disk is for
// one thread only).
TEST(WriterLock, AnotherEngineWaitsForTheHolderAndGoesOnWhenItLetsGo) {
    kivo::test::TempDir folder;
    filesystem::PosixFileSystem fs;
    const std::string repository = folder.file("s.xrt");
    kivo::test::WriteFileText(folder.file("b"), "bravo");
    Engine other(fs, TestOptions());  // the default wait, about 3 s
    ASSERT_TRUE(other.Put(repository, folder.path().string(), {"b"}).ok());

    WriterLock lock = WriterLock::Acquire(fs, repository);
    ASSERT_TRUE(lock.held());
    std::thread holder([&lock] {
        std::this_thread::sleep_for(milliseconds(200));
        lock.Release();
    });
    const SteadyClock::time_point start = SteadyClock::now();
    StatusRecord deleted = other.Delete(repository, {"b"});
    const auto waited = SteadyClock::now() - start;
    holder.join();
    EXPECT_TRUE(deleted.ok()) << Messages(deleted);
    EXPECT_GE(waited, milliseconds(150));
    EXPECT_LT(waited, milliseconds(2500));
    EXPECT_EQ(LiveMembers(other, repository).count("b"), 0u);
}

TEST(WriterLock, WhatCannotBeHeldSaysWhy) {
    MemoryDisk disk;
    WriterLock missing = WriterLock::Acquire(disk.fs, "/r/none.xrt");
    EXPECT_FALSE(missing.held());
    EXPECT_EQ(Messages(missing.status()),
              "RPS01 Unable to open repository file (/r/none.xrt) - No such file or directory\n");
    EXPECT_FALSE(disk.fs.Exists("/r/none.xrt"));

    WriterLock nested =
        WriterLock::Acquire(disk.fs, "/r/s.xrt>>inner.xrz", {milliseconds(100), true});
    EXPECT_EQ(Messages(nested.status()), "RPS22 Function not supported in embedded Repositories\n");
    EXPECT_FALSE(disk.fs.Exists("/r/s.xrt"));

    disk.fs.WriteDurableFile("/r/read-only.xrt", {});
    disk.fs.SetPermissions("/r/read-only.xrt", 0444);
    EXPECT_EQ(Messages(WriterLock::Acquire(disk.fs, "/r/read-only.xrt").status()),
              "RPS01 Unable to open repository file (/r/read-only.xrt) - Permission denied\n");
}

TEST(WriterLock, AMissingRepositoryCanBeHeldBeforeItsFirstStore) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("alpha"));
    WriterLockOptions create;
    create.create_missing = true;
    WriterLock lock = WriterLock::Acquire(disk.fs, kRepository, create);
    ASSERT_TRUE(lock.held()) << Messages(lock.status());
    EXPECT_EQ(disk.FileBytes(kRepository).size(), 0u);
    Engine holder(disk.fs, lock, TestOptions());
    EXPECT_TRUE(holder.Info(kRepository).ok()) << "an empty file reads as an empty repository";
    ASSERT_TRUE(holder.Put(kRepository, "/src", {"a"}).ok());
    EXPECT_EQ(LiveMembers(holder, kRepository).at("a"), TextBytes("alpha"));
}

// The changes (writes, syncs, creations, removals) a put of c makes.
std::uint64_t ChangesOfThePut() {
    MemoryDisk trial;
    WithTwoMembers(trial);
    trial.AddFile("c", Pattern(200000, 3));
    trial.fs.CrashAtChange(0);
    EXPECT_TRUE(trial.engine.Put(kRepository, "/src", {"c"}).ok());
    return trial.fs.changes_counted();
}

TEST(WriterLock, AJournalLeftByACrashIsPlayedBackByTheHolderNotByAnotherReader) {
    MemoryDisk disk;
    WithTwoMembers(disk);
    disk.AddFile("c", Pattern(200000, 3));
    std::map<std::string, Bytes> before = LiveMembers(disk.engine, kRepository);
    // The last three changes are the repository's sync, the journal's removal
    // and its folder's sync: crash at the first of them.
    disk.fs.CrashAtChange(ChangesOfThePut() - 2);
    disk.engine.Put(kRepository, "/src", {"c"});
    ASSERT_TRUE(disk.fs.crashed());
    disk.fs.PowerLoss(filesystem::PowerLossStyle::kKeepEverything, 1);
    ASSERT_TRUE(disk.fs.Exists("/r/s.xrt-journal"));

    WriterLock lock = WriterLock::Acquire(disk.fs, kRepository);
    ASSERT_TRUE(lock.held());
    Engine reader(disk.fs, ShortWait());
    EXPECT_EQ(LiveMembers(reader, kRepository), before) << "the reader saw the torn state";
    EXPECT_TRUE(disk.fs.Exists("/r/s.xrt-journal"))
        << "a reader changed a repository another process holds";

    Engine holder(disk.fs, lock, TestOptions());
    EXPECT_EQ(LiveMembers(holder, kRepository), before);
    EXPECT_FALSE(disk.fs.Exists("/r/s.xrt-journal"));
    EXPECT_TRUE(holder.CheckIntegrity(kRepository).ok());
}

TEST(WriterLock, AReaderDuringAWritingCallWaitsForItAndNeverSeesItHalfDone) {
    MemoryDisk disk;
    WithTwoMembers(disk);
    disk.AddFile("c", Pattern(3 << 20, 4));
    Engine reader(disk.fs, ShortWait());
    std::vector<std::string> seen_mid_call;
    // The progress callback runs in the middle of the put, between its writes.
    StatusRecord put = disk.engine.Put(
        kRepository, "/src", {"c"}, [&](ProgressPhase, std::uint32_t, const std::string&) {
            seen_mid_call.push_back(Messages(reader.Info(kRepository)));
        });
    ASSERT_TRUE(put.ok()) << Messages(put);
    ASSERT_FALSE(seen_mid_call.empty());
    for (const std::string& messages : seen_mid_call) {
        EXPECT_EQ(messages, kInUseHere);
    }
    EXPECT_EQ(LiveMembers(reader, kRepository).size(), 3u);
}

}  // namespace
}  // namespace kivo::repository::test
