// FailingFileSystem: the Nth selected call fails, on the selected paths only.
#include <gtest/gtest.h>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/power_loss_file_system.h"

namespace kivo::filesystem {
namespace {

std::unique_ptr<File> OpenReadWrite(FileSystem& fs, const std::string& path) {
    OpenOptions options;
    options.access = Access::kReadWrite;
    options.creation = Creation::kOpenOrCreate;
    auto opened = fs.Open(path, options);
    EXPECT_TRUE(opened.ok());
    return std::move(opened.value);
}

TEST(FailingFileSystem, FailsOnlyTheNthCountedCall) {
    PowerLossFileSystem disk;
    FailingFileSystem fs(disk);
    fs.Plan(FailNth(kCallWrite, 2, ENOSPC));
    auto file = OpenReadWrite(fs, "/f");
    EXPECT_TRUE(file->Write("a", 1).ok());
    EXPECT_EQ(file->Write("b", 1).status.error_number(), ENOSPC);
    EXPECT_TRUE(file->Write("c", 1).ok());
    EXPECT_TRUE(fs.failed());
    EXPECT_EQ(fs.calls_counted(), 3u);
    EXPECT_EQ(disk.FileBytes("/f"), (std::vector<std::uint8_t>{'a', 'c'}));
}

TEST(FailingFileSystem, PersistentFailureKeepsFailing) {
    PowerLossFileSystem disk;
    FailingFileSystem fs(disk);
    FailurePlan plan = FailNth(kCallSync, 1, EIO);
    plan.persistent = true;
    fs.Plan(plan);
    auto file = OpenReadWrite(fs, "/f");
    EXPECT_FALSE(file->Sync().ok());
    EXPECT_FALSE(file->Sync().ok());
}

TEST(FailingFileSystem, ShortTransferMovesHalfTheBytes) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/f", {1, 2, 3, 4});
    FailingFileSystem fs(disk);
    FailurePlan plan = FailNth(kCallRead | kCallWrite, 1);
    plan.short_transfer = true;
    fs.Plan(plan);
    auto file = OpenReadWrite(fs, "/f");
    std::uint8_t bytes[4];
    auto got = file->ReadAt(0, bytes, 4);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(got.value, 2u);
}

TEST(FailingFileSystem, CountsOnlyPathsContainingTheFilter) {
    PowerLossFileSystem disk;
    FailingFileSystem fs(disk);
    FailurePlan plan = FailNth(kCallOpen, 1, EACCES);
    plan.path_contains = "repo";
    fs.Plan(plan);
    OpenOptions create;
    create.access = Access::kReadWrite;
    create.creation = Creation::kOpenOrCreate;
    EXPECT_TRUE(fs.Open("/other", create).ok());
    EXPECT_EQ(fs.Open("/repo", create).status.error_number(), EACCES);
}

TEST(FailingFileSystem, ListingFailsAtTheChosenStage) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/d/a", {});
    FailingFileSystem fs(disk);
    FailurePlan plan = FailNth(kCallListDirectory, 1, EIO);
    plan.listing_stage = ListingStage::kNext;
    fs.Plan(plan);
    auto listing = fs.ListDirectory("/d");
    EXPECT_FALSE(listing.ok());
    EXPECT_EQ(listing.value.failed_stage, ListingStage::kNext);
}

TEST(FailingFileSystem, FailsRangeLocksAndDirectoryRemovalWhenPlanned) {
    PowerLossFileSystem disk;
    ASSERT_TRUE(disk.MakeDirectory("/d", 0755).ok());
    FailingFileSystem fs(disk);
    fs.Plan(FailNth(kCallLockRange, 2, ENOLCK));
    auto file = OpenReadWrite(fs, "/f");
    EXPECT_TRUE(file->LockRange(RangeLockKind::kExclusive, 0, 0).ok());
    EXPECT_EQ(file->UnlockRange(0, 0).error_number(), ENOLCK);
    fs.Plan(FailNth(kCallRemoveDirectory, 1, EBUSY));
    EXPECT_EQ(fs.RemoveDirectory("/d").error_number(), EBUSY);
    EXPECT_TRUE(fs.RemoveDirectory("/d").ok());
}

}  // namespace
}  // namespace kivo::filesystem
