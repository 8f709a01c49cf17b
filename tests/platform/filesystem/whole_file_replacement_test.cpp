// ReplaceWholeFile: whatever call fails, and wherever the power goes, the
// file holds the old bytes or the new ones, never a mix, and a failure is
// reported with nothing left beside the file.
#include "kivo/filesystem/whole_file_replacement.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/filesystem/power_loss_file_system.h"
#include "temp_dir.h"

namespace kivo::filesystem {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

const std::string kOld = "old line one\nold line two\n";
const std::string kNew = "the new content, longer than the old one\n";

TEST(ReplaceWholeFile, ReplacesTheContentWithExactlyThePermissionsAsked) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/conf/file", Bytes(kOld));
    ASSERT_TRUE(ReplaceWholeFile(disk, "/conf/file", kNew, 0600).ok());
    EXPECT_EQ(disk.FileBytes("/conf/file"), Bytes(kNew));
    EXPECT_EQ(disk.Stat("/conf/file", false).value.permissions, 0600u);
    EXPECT_FALSE(disk.Exists("/conf/file.new"));
    // A missing file is made; an empty content is a content like any other.
    ASSERT_TRUE(ReplaceWholeFile(disk, "/conf/other", "", 0644).ok());
    EXPECT_EQ(disk.FileBytes("/conf/other"), Bytes(""));
}

TEST(ReplaceWholeFile, EachFailingStepIsReportedAndLeavesTheOldFileWhole) {
    const FsCallSet steps = kCallOpen | kCallSetPermissions | kCallWrite | kCallSync | kCallRename;
    PowerLossFileSystem disk;
    FailingFileSystem failing(disk);
    for (std::uint64_t nth = 1;; ++nth) {
        SCOPED_TRACE(nth);
        disk.WriteDurableFile("/conf/file", Bytes(kOld));
        failing.Plan(FailNth(steps, nth, ENOSPC));
        const FsStatus replaced = ReplaceWholeFile(failing, "/conf/file", kNew, 0600);
        if (!failing.failed()) {
            EXPECT_TRUE(replaced.ok());
            EXPECT_EQ(disk.FileBytes("/conf/file"), Bytes(kNew));
            EXPECT_EQ(nth, 6u);  // open, permissions, write, sync, rename: five steps
            break;
        }
        EXPECT_EQ(replaced.error_number(), ENOSPC);
        EXPECT_EQ(disk.FileBytes("/conf/file"), Bytes(kOld));
        EXPECT_FALSE(disk.Exists("/conf/file.new"));
    }
}

TEST(ReplaceWholeFile, APowerCutAtAnyMomentLeavesTheOldOrTheNewFile) {
    for (std::uint64_t nth = 1;; ++nth) {
        SCOPED_TRACE(nth);
        PowerLossFileSystem disk;
        disk.WriteDurableFile("/conf/file", Bytes(kOld));
        disk.CrashAtChange(nth);
        const FsStatus replaced = ReplaceWholeFile(disk, "/conf/file", kNew, 0600);
        const bool crashed = disk.crashed();
        disk.PowerLoss(PowerLossStyle::kTearUnsynced, static_cast<std::uint32_t>(nth));
        const auto bytes = disk.FileBytes("/conf/file");
        ASSERT_TRUE(bytes.has_value());
        EXPECT_TRUE(*bytes == Bytes(kOld) || *bytes == Bytes(kNew));
        if (!crashed) {
            EXPECT_TRUE(replaced.ok());
            EXPECT_EQ(*bytes, Bytes(kNew));  // durable once it said so
            break;
        }
    }
}

TEST(ReplaceWholeFile, ALeftoverTemporaryIsReplacedAndALinkThereIsNotFollowed) {
    test::TempDir dir;
    const std::string path = dir.file("file");
    const std::string elsewhere = dir.file("elsewhere");
    ASSERT_TRUE(ReplaceWholeFile(DefaultFileSystem(), elsewhere, "keep me", 0644).ok());
    ASSERT_EQ(::symlink(elsewhere.c_str(), (path + kReplacementSuffix).c_str()), 0);
    ASSERT_TRUE(ReplaceWholeFile(DefaultFileSystem(), path, kNew, 0600).ok());
    OpenOptions read;
    std::string text(64, '\0');
    auto opened = DefaultFileSystem().Open(elsewhere, read);
    ASSERT_TRUE(opened.ok());
    text.resize(opened.value->Read(text.data(), text.size()).value);
    EXPECT_EQ(text, "keep me");
    EXPECT_EQ(DefaultFileSystem().Stat(path, false).value.size_bytes, kNew.size());
}

TEST(MakeDirectories, MakesTheMissingFoldersAndRefusesAFileOnTheWay) {
    PowerLossFileSystem disk;
    ASSERT_TRUE(MakeDirectories(disk, "/a/b/c", 0700).ok());
    EXPECT_EQ(disk.Stat("/a/b/c", true).value.type, FileType::kDirectory);
    EXPECT_TRUE(MakeDirectories(disk, "/a/b", 0700).ok());
    disk.WriteDurableFile("/a/file", Bytes("x"));
    EXPECT_EQ(MakeDirectories(disk, "/a/file/d", 0700).error_number(), ENOTDIR);
}

}  // namespace
}  // namespace kivo::filesystem
