// The working folder is private, emptied on request and removed at the end.
#include "kivo/core/working_folder.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>

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

// The folder of a run that was killed outright: made by a child process,
// which then dies by SIGKILL without a chance to remove it.
std::filesystem::path FolderOfAKilledRun(const std::filesystem::path& root) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        WorkingFolder folder;
        if (folder.Create(root) == 0) {
            WriteFileText(folder.File("Voxwren.xrb").string(), "phone book");
            const std::string path = folder.path().string();
            [[maybe_unused]] auto written = ::write(fds[1], path.data(), path.size());
        }
        ::raise(SIGKILL);
    }
    ::close(fds[1]);
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(fds[0], buffer.data(), buffer.size());
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return got > 0 ? std::filesystem::path(std::string(buffer.data(), got))
                   : std::filesystem::path();
}

// A folder in use by another live process until the object is destroyed.
class FolderOfALiveRun {
public:
    explicit FolderOfALiveRun(const std::filesystem::path& root) {
        int to_parent[2], to_child[2];
        if (::pipe(to_parent) != 0 || ::pipe(to_child) != 0)
            return;
        child_ = ::fork();
        if (child_ == 0) {
            ::close(to_child[1]);
            WorkingFolder folder;
            if (folder.Create(root) == 0) {
                const std::string path = folder.path().string();
                [[maybe_unused]] auto written = ::write(to_parent[1], path.data(), path.size());
            }
            ::close(to_parent[1]);
            char byte;
            [[maybe_unused]] auto got = ::read(to_child[0], &byte, 1);  // until released
            ::_exit(0);
        }
        ::close(to_parent[1]);
        ::close(to_child[0]);
        release_fd_ = to_child[1];
        std::array<char, 4096> buffer{};
        const ssize_t got = ::read(to_parent[0], buffer.data(), buffer.size());
        ::close(to_parent[0]);
        if (got > 0)
            path_ = std::string(buffer.data(), got);
    }
    ~FolderOfALiveRun() {
        ::close(release_fd_);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    pid_t child_ = -1;
    int release_fd_ = -1;
    std::filesystem::path path_;
};

TEST(WorkingFolder, FoldersOfKilledRunsAreRemovedAtTheNextStartFoldersInUseNever) {
    TempDir root, outside;
    const auto stale = FolderOfAKilledRun(root.path());
    ASSERT_FALSE(stale.empty());
    ASSERT_TRUE(std::filesystem::exists(stale / "Voxwren.xrb"));
    FolderOfALiveRun live(root.path());
    ASSERT_FALSE(live.path().empty());
    WorkingFolder mine;
    ASSERT_EQ(mine.Create(root.path()), 0);
    // Names that only look alike are no working folders of ours, and a
    // folder made by a version that locks nothing may still be in use.
    std::filesystem::create_directory(root.path() / "VoxwrenLonger1");
    ASSERT_EQ(::mkdir((root.path() / "VoxwrenOld001").c_str(), 0700), 0);
    std::filesystem::create_directory_symlink(outside.path(), root.path() / "VoxwrenLink00");
    WriteFileText(outside.file("precious.txt"), "keep");

    WorkingFolder next;
    ASSERT_EQ(next.Create(root.path()), 0);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live.path()));
    EXPECT_TRUE(std::filesystem::exists(mine.path()));
    EXPECT_TRUE(std::filesystem::exists(root.path() / "VoxwrenLonger1"));
    EXPECT_TRUE(std::filesystem::exists(root.path() / "VoxwrenOld001"));
    EXPECT_TRUE(std::filesystem::exists(outside.file("precious.txt")));
    EXPECT_EQ(RemoveStaleWorkingFolders(root.path()), 0);
}

TEST(WorkingFolder, AFolderIsStaleOnlyOnceItsOwnerHasEnded) {
    TempDir root;
    std::filesystem::path path;
    {
        FolderOfALiveRun live(root.path());
        path = live.path();
        EXPECT_EQ(RemoveStaleWorkingFolders(root.path()), 0);
        EXPECT_TRUE(std::filesystem::exists(path));
        // The owner ends with _exit, leaving its folder behind.
    }
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(RemoveStaleWorkingFolders(root.path()), 1);
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
