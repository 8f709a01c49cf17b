// Recording containers: building with each picture type, opening with each
// selector, stand-alone containers under another name, and hostile
// stand-alone containers from strangers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "record_save_test_support.h"
#include "xrsave.h"

namespace kivo::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "D7.xrz";

class Container : public RecordStoreFixture {
protected:
    // Writes D7's media, marks and line into the working folder.
    Bytes WriteD7() { return WriteRecordFiles("D7", 7, "0", kName); }

    // Saves D7 into the store, then clears the working folder of D7's files.
    Bytes SaveD7() {
        const Bytes wave = WriteD7();
        EXPECT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_NONE), XR_OK);
        for (const char* name : {"D7.xrw", "D7.xrs", "D7.xrl", "D7.xrz"})
            fs::remove(work_file(name));
        return wave;
    }

    bool Exists(const std::string& name) const { return fs::exists(work_file(name)); }
    bool MediaIsStoredForm(const std::string& name) const {
        const std::string text = ReadFileText(work_file(name));
        return text.rfind("fLaC", 0) == 0;
    }
};

TEST_F(Container, PictureTypeChoosesTheMembers) {
    WriteD7();
    WriteFileText(work_file("D7.xr1"), "source");
    WriteFileText(work_file("D7.xr2"), "target");
    WriteFileText(work_file("D7.GIF"), "GIF89a");
    WriteFileText(work_file("D7.JPG"), "\xFF\xD8");
    const std::vector<std::string> base = {"D7.xrw", "D7.xrs", "D7.xrl"};
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {XR_PICTURE_NONE, {}},
        {XR_PICTURE_TRANSLATION, {"D7.xr1", "D7.xr2"}},
        {XR_PICTURE_GIF, {"D7.GIF"}},
        {XR_PICTURE_JPG, {"D7.JPG"}},
    };
    for (const auto& [type, extra] : cases) {
        SCOPED_TRACE(type);
        fs::remove(work_file(kName));
        ASSERT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), type), XR_OK);
        std::vector<std::string> expected = base;
        expected.insert(expected.end(), extra.begin(), extra.end());
        EXPECT_EQ(LiveMemberNames(work_file(kName)), expected);
        EXPECT_EQ(LiveMemberNames(store_path_ + ">>" + kName), expected);  // stored whole
    }
}

TEST_F(Container, BadPictureTypeDoesNothing) {
    WriteD7();
    const Bytes wave = ReadFileBytes(work_file("D7.xrw"));
    EXPECT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), 7), XR_BAD_PICTURE_TYPE);
    EXPECT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), -1), XR_BAD_PICTURE_TYPE);
    EXPECT_FALSE(Exists(kName));
    EXPECT_EQ(ReadFileBytes(work_file("D7.xrw")), wave);  // not even encoded
    EXPECT_EQ(CheckForFile(store_path_.c_str(), kName), XR_NOT_FOUND);
}

TEST_F(Container, MissingMemberFileGives108) {
    WriteD7();
    fs::remove(work_file("D7.xrs"));
    EXPECT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_NONE),
              XR_CONTAINER_FAILED);
    EXPECT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_GIF),
              XR_CONTAINER_FAILED);
}

TEST_F(Container, SelectorsExtractTheirMembers) {
    const Bytes wave = SaveD7();
    struct Case {
        int selector;
        std::vector<std::string> present;
        bool decoded;
    };
    const Case cases[] = {
        {0, {"D7.xrw", "D7.xrs", "D7.xrl"}, true},
        {1, {"D7.xrw"}, true},
        {2, {"D7.xrs"}, false},
        {3, {"D7.xrl"}, false},
        {4, {"D7.xrl", "D7.xrs"}, false},
        {6, {"D7.xrw", "D7.xrs", "D7.xrl"}, false},
        {-3, {"D7.xrw", "D7.xrs", "D7.xrl"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        ASSERT_EQ(XRopenXRZ(kName, working().c_str(), store_path_.c_str(), c.selector), XR_OK);
        EXPECT_TRUE(Exists(kName));  // the extracted container stays for the caller
        for (const char* name : {"D7.xrw", "D7.xrs", "D7.xrl"}) {
            const bool wanted = std::count(c.present.begin(), c.present.end(), name) > 0;
            EXPECT_EQ(Exists(name), wanted) << name;
        }
        if (Exists("D7.xrw")) {
            if (c.decoded) {
                EXPECT_EQ(ReadFileBytes(work_file("D7.xrw")), wave);
            } else {
                EXPECT_TRUE(MediaIsStoredForm("D7.xrw"));
            }
        }
        for (const char* name : {"D7.xrw", "D7.xrs", "D7.xrl", "D7.xrz"})
            fs::remove(work_file(name));
    }
}

TEST_F(Container, TranslationSelectorExtractsFiveMembersUndecoded) {
    WriteD7();
    WriteFileText(work_file("D7.xr1"), "source");
    WriteFileText(work_file("D7.xr2"), "");
    ASSERT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_TRANSLATION),
              XR_OK);
    for (const char* name : {"D7.xrw", "D7.xrs", "D7.xrl", "D7.xr1", "D7.xr2"})
        fs::remove(work_file(name));
    ASSERT_EQ(XRopenXRZ(kName, working().c_str(), store_path_.c_str(), XR_OPEN_TRANSLATION), XR_OK);
    EXPECT_EQ(ReadFileText(work_file("D7.xr1")), "source");
    EXPECT_TRUE(Exists("D7.xr2"));
    EXPECT_TRUE(MediaIsStoredForm("D7.xrw"));
}

TEST_F(Container, OpeningAMissingContainerGives108) {
    EXPECT_EQ(XRopenXRZ("D404.xrz", working().c_str(), store_path_.c_str(), 0),
              XR_CONTAINER_FAILED);
    EXPECT_EQ(XRopenXRZ("../D7.xrz", working().c_str(), store_path_.c_str(), 0),
              XR_CONTAINER_FAILED);
}

TEST_F(Container, DamagedMediaInTheStoreGives108) {
    WriteD7();
    ASSERT_EQ(XRMediaEncode(work_file("D7.xrw").c_str()), 0);
    Bytes stored = ReadFileBytes(work_file("D7.xrw"));
    stored[stored.size() - 300] ^= 0x10;
    WriteFileBytes(work_file("D7.xrw"), stored);
    ASSERT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_NONE), XR_OK);
    fs::remove(work_file("D7.xrw"));
    EXPECT_EQ(XRopenXRZ(kName, working().c_str(), store_path_.c_str(), XR_OPEN_DEFAULT),
              XR_CONTAINER_FAILED);
}

TEST_F(Container, EditedRecordReplacesItsMembersAndKeepsThePicture) {
    WriteD7();
    WriteFileText(work_file("D7.GIF"), "GIF89a");
    ASSERT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_GIF), XR_OK);
    ASSERT_EQ(XRopenXRZ(kName, working().c_str(), store_path_.c_str(), XR_OPEN_DEFAULT), XR_OK);
    const std::string edited = MakeRecordLine(7, "0", "D7.xrz").replace(14, 4, "Edit");
    WriteFileText(work_file("D7.xrl"), edited);
    ASSERT_EQ(XRsaveXRZ(kName, working().c_str(), store_path_.c_str(), XR_PICTURE_NONE), XR_OK);

    const std::string nested = store_path_ + ">>" + kName;
    const std::vector<MemberView> members = LiveMembers(nested);
    ASSERT_EQ(members.size(), 4u);  // compacted: one version of each
    EXPECT_EQ(members[0].name, "D7.GIF");
    const Bytes line = MemberBytes(nested, "D7.xrl");
    EXPECT_EQ(std::string(line.begin(), line.end()), edited);
}

TEST_F(Container, StoreXrzCompactsAndStoresAnExistingContainer) {
    WriteD7();
    ASSERT_TRUE(PutFiles(work_file(kName), working(), {"D7.xrw", "D7.xrs", "D7.xrl", "D7.xrl"}));
    EXPECT_EQ(XRStoreXRZ(kName, working().c_str(), store_path_.c_str()), XR_OK);
    EXPECT_EQ(LiveMembers(store_path_ + ">>" + kName).size(), 3u);
    EXPECT_EQ(CheckFileSize(store_path_.c_str(), kName),
              static_cast<int64_t>(fs::file_size(work_file(kName))));
    EXPECT_EQ(XRStoreXRZ("D9.xrz", working().c_str(), store_path_.c_str()), XR_CONTAINER_FAILED);
}

TEST_F(Container, VideoContainerCarriesItsVideoUnchanged) {
    WriteRecordFiles("D8", 8, "9", "D8.xrv", ".wmv");
    const Bytes video =
        ReadFileBytes(work_file("D8.wmv"));  // a wave here, but video is never encoded
    ASSERT_EQ(XRsaveXRV("D8.xrv", working().c_str(), store_path_.c_str()), XR_OK);
    EXPECT_EQ(LiveMemberNames(store_path_ + ">>D8.xrv"),
              (std::vector<std::string>{"D8.wmv", "D8.xrs", "D8.xrl"}));
    fs::remove(work_file("D8.wmv"));
    ASSERT_EQ(XRopenXRV("D8.xrv", working().c_str(), store_path_.c_str(), 0), XR_OK);
    EXPECT_EQ(ReadFileBytes(work_file("D8.wmv")), video);
}

// Stand-alone containers, as exported and as received by e-mail.
class StandAloneContainer : public Container {
protected:
    TempDir outside_;   // where exported files lie
    TempDir incoming_;  // the player's working folder
    std::string incoming() const { return incoming_.path().string(); }
    bool Incoming(const std::string& name) const { return fs::exists(incoming_.path() / name); }
};

TEST_F(StandAloneContainer, RenamedExportOpensUnderItsNewName) {
    const Bytes wave = WriteD7();
    const std::string line = ReadFileText(work_file("D7.xrl"));
    ASSERT_EQ(XRsaveXRZX(kName, outside_.path().c_str(), working().c_str()), XR_OK);
    EXPECT_EQ(CheckForFile(store_path_.c_str(), kName), XR_NOT_FOUND);  // no data store touched
    fs::rename(outside_.file(kName), outside_.file("Message for Ann.xrz"));

    ASSERT_EQ(XRMopenXRZ(outside_.file("Message for Ann.xrz").c_str(), incoming().c_str()), XR_OK);
    EXPECT_EQ(ReadFileBytes(incoming_.file("Message for Ann.xrw")), wave);
    EXPECT_EQ(ReadFileText(incoming_.file("Message for Ann.xrl")), line);
    EXPECT_TRUE(Incoming("Message for Ann.xrs"));
    EXPECT_FALSE(Incoming("D7.xrw"));
    EXPECT_EQ(std::distance(fs::directory_iterator(incoming_.path()), fs::directory_iterator()), 3);
}

TEST_F(StandAloneContainer, ContainerWithNoLiveMemberGives108AndExtractsNothing) {
    WriteD7();
    const std::string path = outside_.file("Empty.xrz");
    ASSERT_TRUE(PutFiles(path, working(), {"D7.xrw", "D7.xrs"}));
    const char* names[] = {"D7.xrw", "D7.xrs"};
    ASSERT_EQ(RPS_Delete(path.c_str(), names, 2), nullptr);
    EXPECT_EQ(XRMopenXRZ(path.c_str(), incoming().c_str()), XR_CONTAINER_FAILED);
    EXPECT_EQ(XRMopenXRZ(outside_.file("Missing.xrz").c_str(), incoming().c_str()),
              XR_CONTAINER_FAILED);
    EXPECT_TRUE(fs::is_empty(incoming_.path()));
}

TEST_F(StandAloneContainer, OnlyTheFirstTenMembersAreExtracted) {
    WriteD7();
    std::vector<std::string> names = {"D7.xrw", "D7.xrs", "D7.xrl"};
    for (int i = 1; i <= 9; ++i) {
        names.push_back("note" + std::to_string(i) + ".txt");
        WriteFileText(work_file(names.back()), "note");
    }
    const std::string path = outside_.file("Many.xrz");
    ASSERT_TRUE(PutFiles(path, working(), names));
    ASSERT_EQ(XRMopenXRZ(path.c_str(), incoming().c_str()), XR_OK);
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(Incoming("note" + std::to_string(i) + ".txt"), i <= 7) << i;
    EXPECT_TRUE(Incoming("Many.xrw"));
}

// Builds a container whose member names come from a stranger: each
// placeholder name is stored, then rewritten in the file to a hostile name
// of the same length (the repository format keeps no checksum).
std::string HostileContainer(const std::string& folder, const std::string& work,
                             const std::vector<std::pair<std::string, std::string>>& renames,
                             const std::vector<std::string>& plain) {
    std::vector<std::string> names = plain;
    for (const auto& [placeholder, hostile] : renames) {
        EXPECT_EQ(placeholder.size(), hostile.size());
        WriteFileText(work + "/" + placeholder, "hostile content");
        names.push_back(placeholder);
    }
    const std::string path = folder + "/Stranger.xrz";
    EXPECT_TRUE(PutFiles(path, work, names));
    Bytes bytes = ReadFileBytes(path);
    for (const auto& [placeholder, hostile] : renames) {
        for (auto at =
                 std::search(bytes.begin(), bytes.end(), placeholder.begin(), placeholder.end());
             at != bytes.end();
             at = std::search(at, bytes.end(), placeholder.begin(), placeholder.end())) {
            at = std::copy(hostile.begin(), hostile.end(), at);
        }
    }
    WriteFileBytes(path, bytes);
    return path;
}

TEST_F(StandAloneContainer, HostileNamesNeverReachOutsideTheWorkingFolder) {
    WriteD7();
    const fs::path player_folder = incoming_.path() / "play";
    fs::create_directory(player_folder);
    const std::string path = HostileContainer(outside_.path().string(), working(),
                                              {{"zzzevil.xrl", "../evil.xrl"},
                                               {"zzzzzzzzz.txt", "/tmp/evil.txt"},
                                               {"zzcomp.dat", "a\\..\\b.dat"}},
                                              {"D7.xrw", "D7.xrs"});
    const int32_t result = XRMopenXRZ(path.c_str(), player_folder.c_str());
    EXPECT_TRUE(result == XR_OK || result == XR_CONTAINER_FAILED);
    EXPECT_FALSE(fs::exists(incoming_.path() / "evil.xrl"));
    EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    for (const auto& entry : fs::recursive_directory_iterator(incoming_.path())) {
        if (entry.path() == player_folder)
            continue;
        EXPECT_EQ(entry.path().parent_path(), player_folder) << entry.path();
        ASSERT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_NE(ReadFileText(entry.path().string()), "hostile content") << entry.path();
    }
}

TEST_F(StandAloneContainer, StrangerCannotReplaceTheOpenStoresComponents) {
    WriteD7();
    WriteFileText(work_file("Voxwren.xrr"), "a stranger's record log");
    WriteFileText(work_file("VOXWREN.XRP"), "a stranger's phone log");
    const std::string path = outside_.file("Stranger.xrz");
    TempDir source;
    for (const char* name : {"D7.xrw", "D7.xrs", "D7.xrl", "Voxwren.xrr", "VOXWREN.XRP"}) {
        fs::copy_file(work_file(name), source.file(name));
    }
    ASSERT_TRUE(PutFiles(path, source.path().string(),
                         {"D7.xrw", "D7.xrs", "D7.xrl", "Voxwren.xrr", "VOXWREN.XRP"}));

    const std::string own_log = LogHeaderLine();
    WriteFileText(incoming_.file("Voxwren.xrr"), own_log);
    WriteFileText(incoming_.file("Voxwren.xrp"), own_log);
    ASSERT_EQ(XRMopenXRZ(path.c_str(), incoming().c_str()), XR_OK);
    EXPECT_EQ(ReadFileText(incoming_.file("Voxwren.xrr")), own_log);
    EXPECT_EQ(ReadFileText(incoming_.file("Voxwren.xrp")), own_log);
    EXPECT_FALSE(Incoming("VOXWREN.XRP"));
    EXPECT_TRUE(Incoming("Stranger.xrw"));
}

TEST_F(StandAloneContainer, SymbolicLinkInTheWorkingFolderIsReplacedNotFollowed) {
    WriteD7();
    ASSERT_EQ(XRsaveXRZX(kName, outside_.path().c_str(), working().c_str()), XR_OK);
    const std::string victim = outside_.file("victim.txt");
    WriteFileText(victim, "precious");
    fs::create_symlink(victim, incoming_.path() / "D7.xrl");
    ASSERT_EQ(XRMopenXRZ(outside_.file(kName).c_str(), incoming().c_str()), XR_OK);
    EXPECT_EQ(ReadFileText(victim), "precious");
    EXPECT_FALSE(fs::is_symlink(incoming_.path() / "D7.xrl"));
}

TEST_F(StandAloneContainer, VideoContainerOpensUnderItsNewName) {
    WriteRecordFiles("D8", 8, "9", "D8.xrv", ".wmv");
    const Bytes video = ReadFileBytes(work_file("D8.wmv"));
    ASSERT_EQ(XRsaveXRV("D8.xrv", working().c_str(), store_path_.c_str()), XR_OK);
    fs::copy_file(work_file("D8.xrv"), outside_.file("Clip.xrv"));
    ASSERT_EQ(XRMopenXRV(outside_.file("Clip.xrv").c_str(), incoming().c_str()), XR_OK);
    EXPECT_EQ(ReadFileBytes(incoming_.file("Clip.wmv")), video);
    EXPECT_TRUE(Incoming("Clip.xrl"));
}

}  // namespace
}  // namespace kivo::test
