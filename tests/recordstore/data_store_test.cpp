// Building a data store and the four member operations (CheckForFile,
// CheckFileSize, DelFile, ExtractFile).
#include <gtest/gtest.h>

#include <filesystem>

#include "kivo/recordstore/data_store.h"
#include "record_save_test_support.h"
#include "xrsave.h"

namespace kivo::test {
namespace {

using recordstore::BuildResult;
using recordstore::DataStore;
using recordstore::NewDataStore;

class DataStoreBuild : public ::testing::Test {
protected:
    NewDataStore Request(const std::string& name = "Office") const {
        return NewDataStore{(store_dir_.path() / "Stores").string(), name, working_.path().string(),
                            resources_.path().string()};
    }
    void WriteSounds() {
        greeting_ = BuildWave(WaveRecipe{});
        WriteFileBytes(resources_.file("00001.wav"), greeting_);
        WaveRecipe warning;
        warning.frames = 100;
        warning_ = BuildWave(warning);
        WriteFileBytes(resources_.file("00002.wav"), warning_);
    }
    bool WorkingFolderEmpty() const { return std::filesystem::is_empty(working_.path()); }

    TempDir store_dir_;
    TempDir working_;
    TempDir resources_;
    Bytes greeting_;
    Bytes warning_;
};

TEST_F(DataStoreBuild, NewStoreHoldsTheTenMembersLiveAtVersionOne) {
    WriteSounds();
    const NewDataStore request = Request();
    ASSERT_EQ(DataStore::Build(request), BuildResult::kBuilt);
    EXPECT_EQ(request.path(), (store_dir_.path() / "Stores" / "Office.xrt").string());

    const std::vector<MemberView> members = LiveMembers(request.path());
    const std::vector<std::string> expected = {
        "Voxwren.xrr", "Voxwren.xrm", "Voxwren.xrp", "Voxwren.xrd", "Voxwren.xri",
        "xrgreet.wav", "xrwarn.wav",  "Voxwren.xrb", "Voxwren.xrc", "Voxwren.xra"};
    ASSERT_EQ(members.size(), expected.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        EXPECT_EQ(members[i].name, expected[i]);
        EXPECT_EQ(members[i].version, 1u) << members[i].name;
    }
    for (const char* log : {"Voxwren.xrr", "Voxwren.xrm", "Voxwren.xrp", "Voxwren.xrd"}) {
        const Bytes bytes = MemberBytes(request.path(), log);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), LogHeaderLine()) << log;
    }
    const Bytes agenda = MemberBytes(request.path(), "Voxwren.xra");
    EXPECT_EQ(std::string(agenda.begin(), agenda.end()), "999999999");
    for (const char* empty : {"Voxwren.xri", "Voxwren.xrb", "Voxwren.xrc"}) {
        EXPECT_EQ(CheckFileSize(request.path().c_str(), empty), 0) << empty;
    }
    EXPECT_EQ(MemberBytes(request.path(), "xrgreet.wav"), greeting_);
    EXPECT_EQ(MemberBytes(request.path(), "xrwarn.wav"), warning_);
    EXPECT_TRUE(WorkingFolderEmpty());
}

TEST_F(DataStoreBuild, MissingSoundsStillStoreTheOtherMembersAndReport102) {
    const NewDataStore request = Request();
    EXPECT_EQ(DataStore::Build(request), BuildResult::kStoreFailed);
    const std::vector<std::string> names = LiveMemberNames(request.path());
    EXPECT_EQ(names.size(), 8u);
    EXPECT_EQ(std::count(names.begin(), names.end(), "xrgreet.wav"), 0);
    EXPECT_TRUE(WorkingFolderEmpty());
}

TEST_F(DataStoreBuild, StaleSoundCopiesInTheWorkingFolderAreNotStored) {
    WriteFileText(working_.file("xrgreet.wav"), "an earlier greeting");
    const NewDataStore request = Request();
    EXPECT_EQ(DataStore::Build(request), BuildResult::kStoreFailed);
    EXPECT_EQ(CheckForFile(request.path().c_str(), "xrgreet.wav"), 1);
}

TEST_F(DataStoreBuild, ExistingStoreIsNeverRebuilt) {
    WriteSounds();
    const NewDataStore request = Request();
    ASSERT_EQ(DataStore::Build(request), BuildResult::kBuilt);
    const Bytes before = ReadFileBytes(request.path());
    EXPECT_EQ(DataStore::Build(request), BuildResult::kStoreFailed);
    EXPECT_EQ(ReadFileBytes(request.path()), before);
}

TEST_F(DataStoreBuild, UnwritableWorkingFolderGives101AndNoStore) {
    const std::string store_folder = (store_dir_.path() / "Stores").string();
    const std::string missing_working = working_.file("no/such/folder");
    EXPECT_EQ(XRfilebuild(store_folder.c_str(), "Office", missing_working.c_str()),
              XR_BUILD_CREATE_FAILED);
    EXPECT_FALSE(std::filesystem::exists(store_dir_.path() / "Stores" / "Office.xrt"));
}

class DataStoreMembers : public RecordStoreFixture {};

TEST_F(DataStoreMembers, CheckForFileComparesNamesExactly) {
    EXPECT_EQ(CheckForFile(store_path_.c_str(), "Voxwren.xra"), XR_OK);
    EXPECT_EQ(CheckForFile(store_path_.c_str(), "voxwren.xra"), XR_NOT_FOUND);
    EXPECT_EQ(CheckForFile(store_path_.c_str(), "Voxwren.xr"), XR_NOT_FOUND);
    EXPECT_EQ(CheckForFile(store_dir_.file("Missing.xrt").c_str(), "Voxwren.xra"),
              XR_MEMBER_FAILED);
}

TEST_F(DataStoreMembers, StoreWithOnlyDeletedMembersGives99) {
    const std::string path = store_dir_.file("Small.xrt");
    WriteFileText(work_file("one.txt"), "1");
    ASSERT_TRUE(PutFiles(path, working(), {"one.txt"}));
    EXPECT_EQ(CheckForFile(path.c_str(), "one.txt"), XR_OK);
    EXPECT_EQ(DelFile(path.c_str(), "one.txt"), XR_OK);
    EXPECT_EQ(CheckForFile(path.c_str(), "one.txt"), XR_MEMBER_FAILED);
    EXPECT_EQ(DelFile(path.c_str(), "one.txt"), XR_MEMBER_FAILED);  // only a deleted version left
}

TEST_F(DataStoreMembers, CheckFileSizeGivesTheLiveSizeOrMinusOne) {
    EXPECT_EQ(CheckFileSize(store_path_.c_str(), "Voxwren.xrb"), 0);
    EXPECT_EQ(CheckFileSize(store_path_.c_str(), "Voxwren.xrr"), 401);
    EXPECT_EQ(CheckFileSize(store_path_.c_str(), "Voxwren.xyz"), -1);
    EXPECT_EQ(CheckFileSize(store_dir_.file("Missing.xrt").c_str(), "Voxwren.xrr"), -1);
}

TEST_F(DataStoreMembers, ExtractFileWritesTheLiveMemberIntoTheFolder) {
    TempDir target;
    EXPECT_EQ(ExtractFile(store_path_.c_str(), target.path().c_str(), "Voxwren.xra"), XR_OK);
    EXPECT_EQ(ReadFileText(target.file("Voxwren.xra")), "999999999");
    EXPECT_EQ(ExtractFile(store_path_.c_str(), target.path().c_str(), "Nothing.xrz"),
              XR_MEMBER_FAILED);
    EXPECT_FALSE(std::filesystem::exists(target.path() / "Nothing.xrz"));
}

}  // namespace
}  // namespace kivo::test
