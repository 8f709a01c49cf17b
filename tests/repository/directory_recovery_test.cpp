// Directory recovery from the internal entries of the member blocks.
#include <gtest/gtest.h>

#include "kivo/repository/recovery.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

constexpr char kRepository[] = "/r/s.xrt";

// Members a (live), b (deleted), c (live), then b stored again.
MemoryDisk& WithHistory(MemoryDisk& disk) {
    disk.AddFile("a", Pattern(5000, 1));
    disk.AddFile("b", Pattern(10, 2));
    disk.AddFile("c", Pattern(0, 3));
    disk.Store(kRepository, {"a", "b", "c"});
    EXPECT_TRUE(disk.engine.Delete(kRepository, {"b"}).ok());
    disk.AddFile("b", Pattern(77, 4));
    disk.Store(kRepository, {"b"});
    return disk;
}

std::uint64_t DirectoryOffset(const Bytes& file) {
    return U64At(file, 12);
}

TEST(DirectoryRecovery, RebuildsAWipedDirectoryOnlyWhenAskedTo) {
    MemoryDisk disk;
    WithHistory(disk);
    Members before = LiveMembers(disk.engine, kRepository);
    StatusRecord all_before = disk.engine.AllInfo(kRepository);
    Bytes file = disk.FileBytes(kRepository);
    std::uint64_t directory = DirectoryOffset(file);
    std::fill(file.begin() + static_cast<std::ptrdiff_t>(directory), file.end(), 0);
    disk.fs.WriteDurableFile(kRepository, file);
    EXPECT_FALSE(disk.engine.Info(kRepository).ok());

    RecoveryReport looked = RecoverDirectory(disk.fs, kRepository, false, TestOptions());
    EXPECT_FALSE(looked.written);
    EXPECT_EQ(looked.entries.size(), 4u);
    EXPECT_EQ(looked.blocks_end_offset, directory);
    EXPECT_EQ(looked.stop_reason, "");  // the blocks end where the header says
    EXPECT_EQ(disk.FileBytes(kRepository), file);

    RecoveryReport repaired = RecoverDirectory(disk.fs, kRepository, true, TestOptions());
    ASSERT_TRUE(repaired.status.ok()) << Messages(repaired.status);
    EXPECT_TRUE(repaired.written);
    EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
    EXPECT_EQ(LiveMembers(disk.engine, kRepository), before);
    StatusRecord all_after = disk.engine.AllInfo(kRepository);
    ASSERT_EQ(all_after.entries.size(), all_before.entries.size());
    for (std::size_t i = 0; i < all_after.entries.size(); ++i) {
        EXPECT_EQ(all_after.entries[i].deleted, all_before.entries[i].deleted);
        EXPECT_EQ(all_after.entries[i].version, all_before.entries[i].version);
    }
}

TEST(DirectoryRecovery, KeepsEveryCompleteMemberBeforeATruncatedOne) {
    MemoryDisk disk;
    WithHistory(disk);
    Bytes file = disk.FileBytes(kRepository);
    std::uint64_t directory = DirectoryOffset(file);
    file.resize(directory - 20);  // the last block (b, 77 bytes) loses its tail
    disk.fs.WriteDurableFile(kRepository, file);
    RecoveryReport repaired = RecoverDirectory(disk.fs, kRepository, true, TestOptions());
    ASSERT_TRUE(repaired.written) << Messages(repaired.status);
    EXPECT_EQ(repaired.entries.size(), 3u);
    EXPECT_NE(repaired.stop_reason.find("runs past the end of the file"), std::string::npos);
    Members live = LiveMembers(disk.engine, kRepository);
    EXPECT_EQ(live.size(), 2u);
    EXPECT_EQ(live.at("a"), Pattern(5000, 1));
    EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
}

TEST(DirectoryRecovery, NameLiveTwiceKeepsOnlyItsLastEntryLive) {
    MemoryDisk disk;
    disk.fs.WriteDurableFile(kRepository,
                             BuildXr01({{"x", TextBytes("old")}, {"x", TextBytes("new")}}));
    RecoveryReport repaired = RecoverDirectory(disk.fs, kRepository, true, TestOptions());
    ASSERT_TRUE(repaired.written) << Messages(repaired.status);
    EXPECT_EQ(LiveMembers(disk.engine, kRepository).at("x"), TextBytes("new"));
    EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
}

TEST(DirectoryRecovery, OlderFormatHasNothingToRebuildFrom) {
    MemoryDisk disk;
    Bytes old = BuildXr00({{"a", TextBytes("abc"), false}});
    disk.fs.WriteDurableFile(kRepository, old);
    RecoveryReport report = RecoverDirectory(disk.fs, kRepository, true, TestOptions());
    EXPECT_EQ(Messages(report.status), "RPS05 Invalid header in Repository file (3)\n");
    EXPECT_FALSE(report.written);
    EXPECT_EQ(disk.FileBytes(kRepository), old);
}

}  // namespace
}  // namespace kivo::repository::test
