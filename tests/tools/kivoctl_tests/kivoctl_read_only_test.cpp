// list, show and info only read: the store's bytes and times stay as they
// were, and a user who may only read a store can use them.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"
#include "kivoctl_commands.h"
#include "kivoctl_run.h"
#include "store_fixture.h"
#include "temp_dir.h"
#include "xrsave.h"
#include "zn2xrrps.h"

namespace kivo::kivoctl::test {
namespace {

using kivo::test::TempDir;

struct FileState {
    std::string bytes;
    timespec modified{};
    bool operator==(const FileState& other) const {
        return bytes == other.bytes && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileState StateOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return {FileContent(path), st.st_mtim};
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A store holding one dictation saved by the record store library, as the
// dictation recorder saves it.
void MakeStoreWithADictation(const std::string& store) {
    kivo::test::MakeStore(store, kivo::test::NewStoreMembers());
    TempDir work;
    ASSERT_EQ(RPS_GetAll(store.c_str(), work.path().c_str()), nullptr);
    const std::string stamp = "20240301101500000";
    const std::string base = "D" + stamp;
    kivo::test::RecordFields f = Record(9, "0", "Quarterly figures");
    f.container = base + ".xrz";
    kivo::test::WriteFileText(work.file(base + ".xrl"), kivo::test::MakeRecordLine(f));
    kivo::test::WriteFileText(work.file(base + ".xrw"), "not a wave: stored as it is");
    kivo::test::WriteFileText(work.file(base + ".xrs"), "");
    ASSERT_GT(XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(), "",
                      work.path().c_str(), store.c_str(), stamp.c_str(), 0),
              0);
}

TEST(ReadOnlyCommands, ListShowAndInfoLeaveAStoreMadeByNewUntouched) {
    TempDir dir;
    const std::string store = dir.file("Fresh.xrt");
    ASSERT_EQ(Kivoctl({"new", store}).status, 0);
    const FileState before = StateOf(store);
    const auto names_before = NamesIn(dir.path());

    for (const char* kind : {"dictation", "meeting", "phone", "diary", "translation", "video"}) {
        Result r = Kivoctl({"list", store, "--kind", kind});
        EXPECT_EQ(r.status, 0) << kind << r.err;
    }
    EXPECT_EQ(Kivoctl({"show", store, "1"}).status, kExitFailed);  // no such record
    EXPECT_EQ(Kivoctl({"info", store}).status, 0);
    EXPECT_EQ(RunKivoctl({"list", store}).status, 0);

    EXPECT_TRUE(StateOf(store) == before) << "the store was written";
    EXPECT_EQ(NamesIn(dir.path()), names_before);
    EXPECT_NE(Kivoctl({"info", store}).out.find("Members: 10\n"), std::string::npos);
}

class ReadOnlyStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeStoreWithADictation(store);
        // Everyone may enter the folders and read the store; nobody may write.
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all |
                                                     std::filesystem::perms::group_read |
                                                     std::filesystem::perms::group_exec |
                                                     std::filesystem::perms::others_read |
                                                     std::filesystem::perms::others_exec);
        std::filesystem::create_directory(folder);
        std::filesystem::rename(store, folder / "Office.xrt");
        store = (folder / "Office.xrt").string();
        ::chmod(store.c_str(), 0444);
        ::chmod(folder.c_str(), 0555);
        before = StateOf(store);
    }
    void TearDown() override { ::chmod(folder.c_str(), 0755); }

    TempDir dir;
    std::filesystem::path folder = dir.path() / "stores";
    std::string store = dir.file("Office.xrt");
    FileState before;
};

TEST_F(ReadOnlyStoreTest, ListsAndShowsWithoutWriting) {
    Result r = Kivoctl({"list", store});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00000009\tQuarterly figures"), std::string::npos) << r.out;
#if defined(KIVOCTL_HAVE_FORMAT)
    r = Kivoctl({"show", store, "9"});
    EXPECT_EQ(r.status, 0) << r.err;
#endif
    EXPECT_TRUE(StateOf(store) == before) << "the store was written";
    EXPECT_EQ(NamesIn(folder), (std::vector<std::string>{"Office.xrt"}));
}

TEST_F(ReadOnlyStoreTest, AUserWithoutWritePermissionListsAndShows) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr)
        GTEST_SKIP() << "needs root and a user 'nobody' to run kivoctl as another user";
    ProgramOptions as_nobody;
    as_nobody.user_id = static_cast<int>(nobody->pw_uid);
    as_nobody.group_id = static_cast<int>(nobody->pw_gid);
    as_nobody.environment["TMPDIR"] = "/tmp";
    Result r = RunKivoctl({"list", store}, as_nobody);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00000009\tQuarterly figures"), std::string::npos) << r.out;
#if defined(KIVOCTL_HAVE_FORMAT)
    r = RunKivoctl({"show", store, "9"}, as_nobody);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Quarterly figures"), std::string::npos) << r.out;
#endif
    r = RunKivoctl({"info", store}, as_nobody);
    EXPECT_EQ(r.status, 0) << r.err;
    // A change is refused, and says so.
    r = RunKivoctl({"delete", store, "9"}, as_nobody);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot be changed: Permission denied"), std::string::npos) << r.err;
    EXPECT_TRUE(StateOf(store) == before) << "the store was written";
}

}  // namespace
}  // namespace kivo::kivoctl::test
