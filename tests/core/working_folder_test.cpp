// The working folder is private, emptied on request and removed at the end.
#include "kivo/core/working_folder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

using test::TempDir;
using test::WriteFileText;

TEST(WorkingFolder, IsAPrivateFreshFolderRemovedWithItsContents) {
    TempDir root;
    std::filesystem::path made;
    {
        WorkingFolder folder;
        ASSERT_EQ(folder.Create(root.path()), 0);
        made = folder.path();
        EXPECT_EQ(made.parent_path(), root.path());
        EXPECT_TRUE(made.filename().string().starts_with("Voxwren"));
        struct stat st {};
        ASSERT_EQ(::stat(made.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        WriteFileText((made / "Voxwren.xrr").string(), "x");
        std::filesystem::create_directory(made / "sub");
    }
    EXPECT_FALSE(std::filesystem::exists(made));
}

TEST(WorkingFolder, CreateFailureGives119) {
    WorkingFolder folder;
    EXPECT_EQ(folder.Create("/nonexistent/folder/for/kivo"), 119);
    EXPECT_FALSE(folder.exists());
}

TEST(WorkingFolder, DeleteMatchingRemovesLinksNotTheirTargets) {
    TempDir root, outside;
    WriteFileText(outside.file("precious.txt"), "keep");
    WorkingFolder folder;
    ASSERT_EQ(folder.Create(root.path()), 0);
    WriteFileText(folder.File("a.xrw").string(), "a");
    WriteFileText(folder.File("b.xrs").string(), "b");
    std::filesystem::create_directory_symlink(outside.path(), folder.File("link"));

    folder.DeleteMatching("*.xrw");
    EXPECT_FALSE(std::filesystem::exists(folder.File("a.xrw")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("b.xrs")));

    folder.DeleteMatching("*.*");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    EXPECT_TRUE(std::filesystem::exists(outside.file("precious.txt")));
}

TEST(WorkingFolder, PrepareModesCreateEmptyAndRemove) {
    WorkingFolder folder;
    ASSERT_EQ(PrepareWorkingFolder(folder, 1, "*.*"), 0);
    ASSERT_TRUE(folder.exists());
    const auto path = folder.path();
    WriteFileText(folder.File("x").string(), "x");
    EXPECT_EQ(PrepareWorkingFolder(folder, 0, "*.*"), 0);
    EXPECT_TRUE(std::filesystem::is_empty(path));
    EXPECT_EQ(PrepareWorkingFolder(folder, 2, "*.*"), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Wildcards, StarDotStarMatchesNamesWithoutADot) {
    EXPECT_TRUE(MatchesWildcard("*.*", "README"));
    EXPECT_TRUE(MatchesWildcard("*.xrz", "D1.xrz"));
    EXPECT_FALSE(MatchesWildcard("*.xrz", "D1.xrv"));
    EXPECT_TRUE(MatchesWildcard("D?.xrz", "D1.xrz"));
}

}  // namespace
}  // namespace kivo::core
