// Deleting, restoring and compacting.
#include <gtest/gtest.h>

#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

// A repository of the members a..e, of assorted sizes, all live.
MemoryDisk& WithFiveMembers(MemoryDisk& disk) {
    const std::size_t sizes[] = {1, 99, 70000, 4096, 0};
    std::vector<std::string> names;
    for (int i = 0; i < 5; ++i) {
        std::string name(1, static_cast<char>('a' + i));
        disk.AddFile(name, Pattern(sizes[i], i));
        names.push_back(name);
    }
    disk.Store("/r/s.xrt", names);
    return disk;
}

TEST(RepositoryCompress, WithoutDeletedEntriesNothingMoves) {
    MemoryDisk disk;
    WithFiveMembers(disk);
    Bytes before = disk.FileBytes("/r/s.xrt");
    ASSERT_TRUE(disk.engine.Compress("/r/s.xrt").ok());
    Bytes after = disk.FileBytes("/r/s.xrt");
    ASSERT_EQ(after.size(), before.size());
    // Only the header's time may change, and the clock is fixed.
    EXPECT_EQ(after, before);
}

TEST(RepositoryCompress, OnlyDeletedEntriesLeaveAnEmptyThirtySixByteFile) {
    MemoryDisk disk;
    WithFiveMembers(disk);
    ASSERT_TRUE(disk.engine.Delete("/r/s.xrt", {"a", "b", "c", "d", "e"}).ok());
    StatusRecord status = disk.engine.Compress("/r/s.xrt");
    ASSERT_TRUE(status.ok()) << Messages(status);
    Bytes file = disk.FileBytes("/r/s.xrt");
    ASSERT_EQ(file.size(), 36u);
    EXPECT_EQ(U32At(file, 8), 0u);
    EXPECT_EQ(U64At(file, 12), 0u);
    EXPECT_EQ(status.total_size_bytes, 36u);
}

TEST(RepositoryCompress, MovedEntriesBecomeVersionOneAndTheCountIsTheLiveMembers) {
    MemoryDisk disk;
    WithFiveMembers(disk);
    disk.AddFile("c", Pattern(300000, 9));  // c version 2, a large block moving a short way
    disk.Store("/r/s.xrt", {"c"});
    ASSERT_TRUE(disk.engine.Delete("/r/s.xrt", {"a"}).ok());
    std::map<std::string, Bytes> before = LiveMembers(disk.engine, "/r/s.xrt");

    StatusRecord status = disk.engine.Compress("/r/s.xrt");
    ASSERT_TRUE(status.ok()) << Messages(status);
    EXPECT_EQ(status.deleted_size_bytes, 0u);
    Bytes file = disk.FileBytes("/r/s.xrt");
    EXPECT_EQ(U32At(file, 8), 4u);  // b, d, e and the second c
    EXPECT_EQ(status.total_size_bytes, file.size());
    for (const EntryInfo& entry : disk.engine.AllInfo("/r/s.xrt").entries) {
        EXPECT_EQ(entry.version, 1u) << entry.name;
        EXPECT_EQ(entry.deleted, 0u);
    }
    EXPECT_EQ(LiveMembers(disk.engine, "/r/s.xrt"), before);
    EXPECT_TRUE(disk.engine.CheckIntegrity("/r/s.xrt").ok());
    EXPECT_FALSE(disk.fs.Exists("/r/s.xrt-journal"));
}

TEST(RepositoryCompress, ReportsProgressWithTheRepositoryPath) {
    MemoryDisk disk;
    WithFiveMembers(disk);
    ASSERT_TRUE(disk.engine.Delete("/r/s.xrt", {"a"}).ok());
    std::uint64_t read_bytes = 0;
    std::uint64_t written_bytes = 0;
    ASSERT_TRUE(
        disk.engine
            .Compress("/r/s.xrt",
                      [&](ProgressPhase phase, std::uint32_t bytes, const std::string& label) {
                          EXPECT_EQ(label, "/r/s.xrt");
                          (phase == ProgressPhase::kRead ? read_bytes : written_bytes) += bytes;
                      })
            .ok());
    const std::uint64_t moved = (99 + 1 + 99) + (99 + 1 + 70000) + (99 + 1 + 4096) + (99 + 1);
    EXPECT_EQ(read_bytes, moved);
    EXPECT_EQ(written_bytes, moved);
}

TEST(RepositoryUnDelete, RestoringVersionOneOverALiveVersionTwoMakesVersionThree) {
    MemoryDisk disk;
    disk.AddFile("m", TextBytes("version one"));
    disk.Store("/r/s.xrt", {"m"});
    disk.AddFile("m", TextBytes("version two"));
    disk.Store("/r/s.xrt", {"m"});
    StatusRecord status = disk.engine.UnDelete("/r/s.xrt", "m", 1);
    ASSERT_TRUE(status.ok()) << Messages(status);
    std::vector<EntryInfo> entries = disk.engine.AllInfo("/r/s.xrt").entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].deleted, 1u);
    EXPECT_EQ(entries[2].version, 3u);
    EXPECT_EQ(entries[2].deleted, 0u);
    EXPECT_EQ(LiveMembers(disk.engine, "/r/s.xrt").at("m"), TextBytes("version one"));
    EXPECT_TRUE(disk.engine.CheckIntegrity("/r/s.xrt").ok());
}

TEST(RepositoryUnDelete, MissingVersionIsReportedAndNothingIsAdded) {
    MemoryDisk disk;
    disk.AddFile("m", TextBytes("only"));
    disk.Store("/r/s.xrt", {"m"});
    StatusRecord status = disk.engine.UnDelete("/r/s.xrt", "m", 7);
    EXPECT_EQ(Messages(status), "RPS17 Version 7 of file m not found in Repository\n");
    EXPECT_EQ(disk.engine.AllInfo("/r/s.xrt").entries.size(), 1u);
}

TEST(RepositoryDelete, MissingNamesAreReportedAndTheOthersMarked) {
    MemoryDisk disk;
    WithFiveMembers(disk);
    StatusRecord status = disk.engine.Delete("/r/s.xrt", {"x", "b", "y"});
    EXPECT_EQ(Messages(status),
              "RPS07 File x not found in Repository\nRPS07 File y not found in Repository\n");
    std::map<std::string, Bytes> live = LiveMembers(disk.engine, "/r/s.xrt");
    EXPECT_EQ(live.count("b"), 0u);
    EXPECT_EQ(live.size(), 4u);
    EXPECT_TRUE(disk.engine.CheckIntegrity("/r/s.xrt").ok());
}

TEST(RepositoryDelete, UpdateOfAMissingFileIsUnableToOpen) {
    MemoryDisk disk;
    StatusRecord status = disk.engine.Delete("/r/none.xrt", {"a"});
    EXPECT_EQ(Messages(status),
              "RPS01 Unable to open repository file (/r/none.xrt) - No such file or directory\n");
    EXPECT_FALSE(disk.fs.Exists("/r/none.xrt"));
}

}  // namespace
}  // namespace kivo::repository::test
