// The two kinds of file lock of PosixFileSystem, and naming the process that
// holds the writer lock from the kernel's table of locks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "proc_locks.h"
#include "temp_dir.h"

namespace kivo::filesystem {
namespace {

std::unique_ptr<File> OpenFile(PosixFileSystem& fs, const std::string& path, Access access) {
    OpenOptions options;
    options.access = access;
    options.creation = Creation::kOpenOrCreate;
    auto opened = fs.Open(path, options);
    EXPECT_TRUE(opened.ok()) << opened.status.Describe();
    return std::move(opened.value);
}

TEST(PosixFileLocks, EachKindConflictsLikeAReadersWriterLockBetweenOpenFiles) {
    test::TempDir dir;
    PosixFileSystem fs;
    for (FileLock kind : {FileLock::kWriter, FileLock::kAccess}) {
        SCOPED_TRACE(kind == FileLock::kWriter ? "writer lock" : "access lock");
        auto first = OpenFile(fs, dir.file("r.xrt"), Access::kReadWrite);
        auto second = OpenFile(fs, dir.file("r.xrt"), Access::kReadWrite);
        ASSERT_TRUE(first->TryLock(kind, LockMode::kShared).ok());
        EXPECT_TRUE(second->TryLock(kind, LockMode::kShared).ok());
        EXPECT_EQ(second->TryLock(kind, LockMode::kExclusive).error_number(), EWOULDBLOCK);
        first->Unlock(kind);
        EXPECT_TRUE(second->TryLock(kind, LockMode::kExclusive).ok());
        EXPECT_EQ(first->TryLock(kind, LockMode::kShared).error_number(), EWOULDBLOCK);
        second.reset();  // closing releases
        EXPECT_TRUE(first->TryLock(kind, LockMode::kExclusive).ok());
    }
}

TEST(PosixFileLocks, TheTwoKindsDoNotBlockEachOther) {
    test::TempDir dir;
    PosixFileSystem fs;
    auto writer = OpenFile(fs, dir.file("r.xrt"), Access::kReadWrite);
    auto reader = OpenFile(fs, dir.file("r.xrt"), Access::kRead);
    ASSERT_TRUE(writer->TryLock(FileLock::kWriter, LockMode::kExclusive).ok());
    EXPECT_TRUE(reader->TryLock(FileLock::kAccess, LockMode::kShared).ok());
    EXPECT_EQ(writer->TryLock(FileLock::kAccess, LockMode::kExclusive).error_number(), EWOULDBLOCK);
    reader->Unlock(FileLock::kAccess);
    EXPECT_TRUE(writer->TryLock(FileLock::kAccess, LockMode::kExclusive).ok());
}

TEST(PosixFileLocks, TheLockFollowsTheFileWhateverNameOpenedIt) {
    test::TempDir dir;
    test::WriteFileText(dir.file("real.xrt"), "");
    ASSERT_EQ(symlink("real.xrt", dir.file("link.xrt").c_str()), 0);
    ASSERT_EQ(link(dir.file("real.xrt").c_str(), dir.file("hard.xrt").c_str()), 0);
    PosixFileSystem fs;
    auto by_link = OpenFile(fs, dir.file("link.xrt"), Access::kReadWrite);
    ASSERT_TRUE(by_link->TryLock(FileLock::kWriter, LockMode::kExclusive).ok());
    for (const char* name : {"real.xrt", "hard.xrt"}) {
        auto other = OpenFile(fs, dir.file(name), Access::kReadWrite);
        EXPECT_EQ(other->TryLock(FileLock::kWriter, LockMode::kExclusive).error_number(),
                  EWOULDBLOCK)
            << name;
    }
    EXPECT_EQ(fs.Stat(dir.file("real.xrt"), true).value.link_count, 2u);
}

TEST(PosixFileLocks, TheWriterLockHolderIsNamedByProgramAndProcess) {
    test::TempDir dir;
    PosixFileSystem fs;
    auto holder = OpenFile(fs, dir.file("r.xrt"), Access::kReadWrite);
    FileInfo info = holder->Stat().value;
    EXPECT_FALSE(fs.FindWriterLockHolder(info).has_value());
    ASSERT_TRUE(holder->TryLock(FileLock::kWriter, LockMode::kExclusive).ok());
    std::optional<LockHolder> found = fs.FindWriterLockHolder(info);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->process_id, getpid());
    EXPECT_EQ(found->program,
              test::ReadFileText("/proc/self/comm").substr(0, found->program.size()));
    EXPECT_FALSE(found->program.empty());
}

TEST(ProcLocks, OnlyAGrantedFlockOnThatFileCounts) {
    const std::string table =
        "1: OFDLCK ADVISORY  WRITE -1 fe:00:777 0 EOF\n"
        "2: -> FLOCK  ADVISORY  WRITE 4321 fe:00:777 0 EOF\n"
        "3: POSIX  ADVISORY  WRITE 555 fe:00:777 0 EOF\n"
        "4: FLOCK  ADVISORY  WRITE 1234 fe:00:778 0 EOF\n"
        "5: FLOCK  ADVISORY  WRITE 1234 fe:01:777 0 EOF\n"
        "6: FLOCK  ADVISORY  WRITE 0 fe:00:779 0 EOF\n"
        "7: FLOCK  ADVISORY  WRITE 987 fe:00:777 0 EOF\n";
    EXPECT_EQ(FindFlockHolderIn(table, 0xfe, 0, 777), 987);
    EXPECT_EQ(FindFlockHolderIn(table, 0xfe, 1, 777), 1234);
    EXPECT_FALSE(FindFlockHolderIn(table, 0xfe, 0, 779).has_value());  // not visible here
    EXPECT_FALSE(FindFlockHolderIn(table, 8, 1, 777).has_value());
    EXPECT_FALSE(FindFlockHolderIn("garbage\n\n1: FLOCK\n", 0xfe, 0, 777).has_value());
}

}  // namespace
}  // namespace kivo::filesystem
