// PosixFileSystem on a temporary folder: locks, no-follow opens, times,
// listings and the error texts the repository engine reports.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "temp_dir.h"

namespace kivo::filesystem {
namespace {

OpenOptions LockedReadWrite() {
    OpenOptions options;
    options.access = Access::kReadWrite;
    options.creation = Creation::kOpenOrCreate;
    options.exclusive_lock = true;
    return options;
}

TEST(PosixFileSystem, SecondExclusiveOpenFailsUntilTheFirstCloses) {
    test::TempDir dir;
    PosixFileSystem fs;
    auto first = fs.Open(dir.file("r.xrt"), LockedReadWrite());
    ASSERT_TRUE(first.ok());
    auto second = fs.Open(dir.file("r.xrt"), LockedReadWrite());
    EXPECT_EQ(second.status.error_number(), EWOULDBLOCK);
    first.value.reset();
    EXPECT_TRUE(fs.Open(dir.file("r.xrt"), LockedReadWrite()).ok());
}

TEST(PosixFileSystem, ReplacingALockedFileLeavesItsContentAlone) {
    test::TempDir dir;
    test::WriteFileText(dir.file("r.xrt"), "keep");
    PosixFileSystem fs;
    auto holder = fs.Open(dir.file("r.xrt"), LockedReadWrite());
    ASSERT_TRUE(holder.ok());
    OpenOptions replace = LockedReadWrite();
    replace.creation = Creation::kCreateOrTruncate;
    EXPECT_FALSE(fs.Open(dir.file("r.xrt"), replace).ok());
    EXPECT_EQ(test::ReadFileText(dir.file("r.xrt")), "keep");
}

TEST(PosixFileSystem, NoFollowOpenRefusesASymbolicLink) {
    test::TempDir dir;
    test::WriteFileText(dir.file("target"), "secret");
    ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("link").c_str()), 0);
    PosixFileSystem fs;
    OpenOptions options;
    options.follow_symbolic_links = false;
    EXPECT_EQ(fs.Open(dir.file("link"), options).status.error_number(), ELOOP);
    auto described = fs.Stat(dir.file("link"), false);
    ASSERT_TRUE(described.ok());
    EXPECT_EQ(described.value.type, FileType::kSymbolicLink);
}

TEST(PosixFileSystem, PositionedReadsAndWritesAndTruncation) {
    test::TempDir dir;
    PosixFileSystem fs;
    auto opened = fs.Open(dir.file("f"), LockedReadWrite());
    ASSERT_TRUE(opened.ok());
    File& file = *opened.value;
    ASSERT_TRUE(file.Write("abcdef", 6).ok());
    EXPECT_EQ(file.Position().value, 6u);
    ASSERT_TRUE(file.WriteAt(2, "XY", 2).ok());
    ASSERT_TRUE(file.Seek(1).ok());
    char bytes[8] = {};
    auto got = file.Read(bytes, sizeof bytes);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(bytes, got.value), "bXYef");  // short only at the end
    ASSERT_TRUE(file.Truncate(3).ok());
    ASSERT_TRUE(file.Sync().ok());
    EXPECT_EQ(file.Stat().value.size_bytes, 3u);
}

TEST(PosixFileSystem, TimesAndPermissionsAreSetOnTheOpenFile) {
    test::TempDir dir;
    PosixFileSystem fs;
    auto opened = fs.Open(dir.file("f"), LockedReadWrite());
    ASSERT_TRUE(opened.ok());
    FileTimes times{Timestamp{1000000000, 500}, Timestamp{1200000000, 700}};
    ASSERT_TRUE(opened.value->SetTimes(times).ok());
    ASSERT_TRUE(opened.value->SetPermissions(0444).ok());
    auto info = fs.Stat(dir.file("f"), true);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.value.access_time, times.access_time);
    EXPECT_EQ(info.value.modification_time, times.modification_time);
    EXPECT_EQ(info.value.permissions, 0444u);
    EXPECT_FALSE(info.value.owner_can_write());
}

TEST(PosixFileSystem, ListingSkipsDotEntriesAndTellsFoldersApart) {
    test::TempDir dir;
    test::WriteFileText(dir.file("a"), "1");
    std::filesystem::create_directory(dir.path() / "sub");
    PosixFileSystem fs;
    auto listing = fs.ListDirectory(dir.path().string() + "/");
    ASSERT_TRUE(listing.ok());
    ASSERT_EQ(listing.value.entries.size(), 2u);
    for (const DirectoryEntry& entry : listing.value.entries) {
        EXPECT_EQ(entry.is_directory, entry.name == "sub") << entry.name;
    }
    auto missing = fs.ListDirectory(dir.file("none"));
    EXPECT_EQ(missing.value.failed_stage, ListingStage::kOpen);
    EXPECT_EQ(missing.status.error_number(), ENOENT);
}

TEST(PosixFileSystem, RenameReplacesALinkInsteadOfFollowingIt) {
    test::TempDir dir;
    test::WriteFileText(dir.file("target"), "untouched");
    test::WriteFileText(dir.file("new"), "data");
    ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("out").c_str()), 0);
    PosixFileSystem fs;
    ASSERT_TRUE(fs.Rename(dir.file("new"), dir.file("out")).ok());
    EXPECT_EQ(test::ReadFileText(dir.file("target")), "untouched");
    EXPECT_EQ(test::ReadFileText(dir.file("out")), "data");
    EXPECT_TRUE(fs.SyncDirectory(dir.path().string()).ok());
}

TEST(PosixFileSystem, ResolvingFollowsEveryLinkAndNamesTheLinksOfTheLastComponent) {
    test::TempDir dir;
    PosixFileSystem fs;
    std::string real_dir = fs.ResolvePath(dir.path().string()).value.real_path;
    std::filesystem::create_directory(dir.path() / "data");
    test::WriteFileText(dir.file("data/real.xrt"), "");
    ASSERT_EQ(symlink("data", dir.file("folder").c_str()), 0);
    ASSERT_EQ(symlink("folder/real.xrt", dir.file("first.xrt").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("first.xrt").c_str(), dir.file("second.xrt").c_str()), 0);

    auto resolved = fs.ResolvePath(dir.file("second.xrt"));
    ASSERT_TRUE(resolved.ok()) << resolved.status.Describe();
    EXPECT_EQ(resolved.value.real_path, real_dir + "/data/real.xrt");
    EXPECT_EQ(resolved.value.links_followed,
              (std::vector<std::string>{dir.file("second.xrt"), dir.file("first.xrt")}));

    auto plain = fs.ResolvePath(dir.file("folder/real.xrt"));
    EXPECT_EQ(plain.value.real_path, real_dir + "/data/real.xrt");
    EXPECT_TRUE(plain.value.links_followed.empty());
}

TEST(PosixFileSystem, ResolvingANameNotYetThereResolvesItsFolderAndDanglingLinks) {
    test::TempDir dir;
    PosixFileSystem fs;
    std::string real_dir = fs.ResolvePath(dir.path().string()).value.real_path;
    std::filesystem::create_directory(dir.path() / "data");
    ASSERT_EQ(symlink("data", dir.file("folder").c_str()), 0);
    ASSERT_EQ(symlink("data/new.xrt", dir.file("later.xrt").c_str()), 0);

    EXPECT_EQ(fs.ResolvePath(dir.file("folder/none.xrt")).value.real_path,
              real_dir + "/data/none.xrt");
    auto dangling = fs.ResolvePath(dir.file("later.xrt"));
    EXPECT_EQ(dangling.value.real_path, real_dir + "/data/new.xrt");
    EXPECT_EQ(dangling.value.links_followed, std::vector<std::string>{dir.file("later.xrt")});
    EXPECT_EQ(fs.ResolvePath(dir.file("missing/none.xrt")).status.error_number(), ENOENT);

    ASSERT_EQ(symlink("loop-b", dir.file("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", dir.file("loop-b").c_str()), 0);
    EXPECT_EQ(fs.ResolvePath(dir.file("loop-a")).status.error_number(), ELOOP);
}

TEST(PosixFileSystem, ANonBlockingOpenOfAFifoReturnsAtOnceAndTellsItsType) {
    test::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    PosixFileSystem fs;
    alarm(20);  // a blocking open would hang here; the alarm ends the test instead
    OpenOptions options;
    options.non_blocking_open = true;
    auto opened = fs.Open(dir.file("pipe"), options);
    alarm(0);
    ASSERT_TRUE(opened.ok()) << opened.status.Describe();
    EXPECT_EQ(opened.value->Stat().value.type, FileType::kFifo);
    EXPECT_EQ(fs.Stat(dir.file("pipe"), true).value.type, FileType::kFifo);
    EXPECT_EQ(fs.Stat("/dev/null", true).value.type, FileType::kCharacterDevice);
    EXPECT_STREQ(FileTypeName(FileType::kFifo), "FIFO");
}

TEST(FileSystemPaths, JoinInsertsOneSeparatorAndSplitsBack) {
    EXPECT_EQ(JoinPath("/d", "a"), "/d/a");
    EXPECT_EQ(JoinPath("/d/", "a"), "/d/a");
    EXPECT_EQ(JoinPath("", "a"), "a");
    EXPECT_EQ(ParentDirectory("/d/e/a"), "/d/e");
    EXPECT_EQ(ParentDirectory("/a"), "/");
    EXPECT_EQ(ParentDirectory("a"), ".");
    EXPECT_EQ(BaseName("/d/e/a"), "a");
    EXPECT_EQ(BaseName("/d/e/"), "e");
}

TEST(FileSystemStatus, DescribesTheErrorAsStrerror) {
    EXPECT_EQ(FsStatus::Error(ENOSPC).Describe(), "No space left on device");
    EXPECT_TRUE(FsStatus::Ok().ok());
    EXPECT_TRUE(VolumeInfo{0x4d44}.is_fat());
    EXPECT_FALSE(VolumeInfo{0xEF53}.is_fat());
}

}  // namespace
}  // namespace kivo::filesystem
