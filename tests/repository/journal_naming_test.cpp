// The journal follows the file, not the name: whatever symbolic link or
// folder link a repository is reached by, its journal lies beside the real
// file; a journal found beside a link is not trusted; a repository with two
// hard links, which has no one name, is read but not written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "repository_test_support.h"
#include "temp_dir.h"

namespace kivo::repository::test {
namespace {

namespace fs = std::filesystem;

class JournalNaming : public ::testing::Test {
protected:
    JournalNaming() : engine_(file_system_, TestOptions()) {
        fs::create_directory(folder_.path() / "data");
        fs::create_directory(folder_.path() / "in");
        fs::create_symlink("data", folder_.path() / "folder");
        fs::create_symlink("data/real.xrt", folder_.path() / "link.xrt");
        kivo::test::WriteFileText(Inbox("a"), "alpha");
        StatusRecord stored = engine_.Put(Real(), In(), {"a"});
        EXPECT_TRUE(stored.ok()) << Messages(stored);
    }

    std::string Real() const { return folder_.file("data/real.xrt"); }
    std::string Link() const { return folder_.file("link.xrt"); }
    std::string In() const { return folder_.file("in"); }
    std::string Inbox(const std::string& name) const { return folder_.file("in/" + name); }

    kivo::test::TempDir folder_;
    filesystem::PosixFileSystem file_system_;
    Engine engine_;
};

TEST_F(JournalNaming, AChangeThroughAnyNameJournalsBesideTheRealFile) {
    kivo::test::WriteFileBytes(Inbox("big"), Pattern(3 << 20, 1));
    const std::string by_folder_link = folder_.file("folder/real.xrt");
    for (const std::string& name : {Link(), by_folder_link, Real()}) {
        SCOPED_TRACE(name);
        int calls_seen = 0;
        StatusRecord put =
            engine_.Put(name, In(), {"big"}, [&](ProgressPhase, std::uint32_t, const std::string&) {
                ++calls_seen;
                EXPECT_TRUE(fs::exists(Real() + "-journal"));
                EXPECT_FALSE(fs::exists(Link() + "-journal"));
            });
        ASSERT_TRUE(put.ok()) << Messages(put);
        EXPECT_GT(calls_seen, 0);
        EXPECT_FALSE(fs::exists(Real() + "-journal")) << "the journal outlived the call";
    }
    EXPECT_EQ(LiveMembers(engine_, Link()).size(), 2u);
}

TEST_F(JournalNaming, AJournalBesideALinkIsRefusedThroughThatLinkWithoutTouchingTheFile) {
    kivo::test::WriteFileText(Link() + "-journal", "left by an older version");
    const kivo::test::Bytes before = kivo::test::ReadFileBytes(Real());
    const std::string refused = "RPS01 Unable to open repository file (" + Link() +
                                ") - The journal of an interrupted change lies under another "
                                "name of this file (" +
                                Link() + "-journal); move it to " +
                                file_system_.ResolvePath(Real()).value.real_path +
                                "-journal to finish that change, or remove it if the "
                                "repository has been written since\n";
    EXPECT_EQ(Messages(engine_.Info(Link())), refused);
    EXPECT_EQ(Messages(engine_.Put(Link(), In(), {"a"})), refused);
    EXPECT_EQ(Messages(engine_.Compress(Link())), refused);
    EXPECT_EQ(kivo::test::ReadFileBytes(Real()), before);
    EXPECT_TRUE(fs::exists(Link() + "-journal")) << "the stray journal was thrown away";
}

TEST_F(JournalNaming, ARepositoryWithTwoHardLinksIsReadButNotWritten) {
    ASSERT_EQ(link(Real().c_str(), folder_.file("hard.xrt").c_str()), 0);
    const kivo::test::Bytes before = kivo::test::ReadFileBytes(Real());
    for (const std::string& name : {Real(), folder_.file("hard.xrt")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(LiveMembers(engine_, name).size(), 1u);
        EXPECT_EQ(Messages(engine_.Delete(name, {"a"})),
                  "RPS01 Unable to open repository file (" + name +
                      ") - The file has 2 names (hard links); a repository is changed only "
                      "through a single name, so that the journal of an interrupted change is "
                      "always found (copy it to give it its own file)\n");
    }
    EXPECT_EQ(kivo::test::ReadFileBytes(Real()), before);
}

TEST_F(JournalNaming, ANewRepositoryThroughADanglingLinkIsCreatedAtTheLinksTarget) {
    fs::create_symlink("data/new.xrt", folder_.path() / "new-link.xrt");
    StatusRecord put = engine_.Put(folder_.file("new-link.xrt"), In(), {"a"});
    ASSERT_TRUE(put.ok()) << Messages(put);
    EXPECT_TRUE(fs::is_regular_file(folder_.file("data/new.xrt")));
    EXPECT_TRUE(fs::is_symlink(folder_.file("new-link.xrt")));
    EXPECT_EQ(LiveMembers(engine_, folder_.file("data/new.xrt")).size(), 1u);
}

}  // namespace
}  // namespace kivo::repository::test
