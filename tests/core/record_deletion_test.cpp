// Deleting records erases their lines in place, removes their index entries
// and their recordings, and makes the change durable (the store with its
// journal).
#include "kivo/core/record_deletion.h"

#include <gtest/gtest.h>

#include <map>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/pending_deletions.h"
#include "kivo/core/working_folder.h"
#include "recording_index.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

using core::ViewKind;
using test::MakeRecordLog;
using test::MakeStore;
using test::ReadFileText;
using test::ReadStoreMembers;
using test::RecordFields;
using test::TempDir;

RecordFields Record(int number, std::string kind) {
    RecordFields f;
    f.number = number;
    f.kind = std::move(kind);
    f.container = "D" + std::to_string(number) + ".xrz";
    return f;
}

class RecordDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = test::NewStoreMembers();
        members["Voxwren.xrr"] = MakeRecordLog({Record(1, "0"), Record(2, "0"), Record(3, "9")});
        members["Voxwren.xrp"] = MakeRecordLog({Record(4, "3")});
        for (const char* c : {"D1.xrz", "D2.xrz", "D3.xrz", "D4.xrz"})
            members[c] = "container";
        MakeStore(stores.path() / "KIVO.xrt", members);
        ASSERT_EQ(working.Create(root.path()), 0);
        session.emplace(working.path());
        session->set_location({stores.path(), "KIVO"});
        ASSERT_EQ(session->LoadDataStore(), 0);
    }

    std::string WorkingLog(const char* name) {
        return ReadFileText(session->WorkingPath(name).string());
    }

    // The store's members as the next program that opens it sees them: the
    // store with the changes its journal holds.
    std::map<std::string, std::string> StoreAsReopened() {
        core::WorkingFolder folder;
        EXPECT_EQ(folder.Create(root.path()), 0);
        core::DataStoreSession reader(folder.path());
        reader.set_location({stores.path(), "KIVO"});
        EXPECT_EQ(reader.LoadDataStore(recordstore::StoreAccess::kReadOnly), 0);
        auto members = ReadStoreMembers(stores.path() / "KIVO.xrt");
        for (const std::string_view member : core::SavedMembers())
            members[std::string(member)] = ReadFileText(reader.WorkingPath(member).string());
        return members;
    }

    TempDir root, stores;
    core::WorkingFolder working;
    std::optional<core::DataStoreSession> session;
    RecordingIndex index;
};

TEST_F(RecordDeletionTest, ErasedLinesKeepTheLogsSizeAndPositions) {
    const std::string before = WorkingLog("Voxwren.xrr");
    core::SelectedRecord selection[] = {{2, ViewKind::kDictation, "D2.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);

    const std::string after = WorkingLog("Voxwren.xrr");
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 802), before.substr(0, 802));
    EXPECT_EQ(after.substr(802, 401), core::ErasedRecordLine());
    EXPECT_EQ(after.substr(1203), before.substr(1203));
    EXPECT_EQ(core::ErasedRecordLine().size(), 401u);
    EXPECT_TRUE(core::ErasedRecordLine().starts_with("99999999 ###"));
    EXPECT_EQ(index.removed, (std::vector<std::int32_t>{2}));
}

TEST_F(RecordDeletionTest, RecordingsGoAndTheStoreIsSaved) {
    core::SelectedRecord selection[] = {{3, ViewKind::kVideo, "D3.xrz"},
                                        {4, ViewKind::kPhone, "D4.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);
    auto stored = StoreAsReopened();
    EXPECT_EQ(stored.count("D3.xrz"), 0u);
    EXPECT_EQ(stored.count("D4.xrz"), 0u);
    EXPECT_EQ(stored.count("D1.xrz"), 1u);
    EXPECT_EQ(stored["Voxwren.xrr"], WorkingLog("Voxwren.xrr"));
    EXPECT_EQ(stored["Voxwren.xrp"].substr(401, 9), "99999999 ");
}

TEST_F(RecordDeletionTest, AKindWithoutALogStopsAndKeepsTheRecordings) {
    core::SelectedRecord selection[] = {{1, ViewKind::kDictation, "D1.xrz"},
                                        {2, ViewKind::kNone, "D2.xrz"},
                                        {4, ViewKind::kPhone, "D4.xrz"}};
    EXPECT_EQ(core::DeleteRecords(*session, selection, index), 999);
    EXPECT_EQ(WorkingLog("Voxwren.xrr").substr(401, 9), "99999999 ");  // handled before
    EXPECT_EQ(WorkingLog("Voxwren.xrp").substr(401, 9), "00000004 ");  // not reached
    EXPECT_EQ(ReadStoreMembers(stores.path() / "KIVO.xrt").count("D1.xrz"), 1u);
}

TEST_F(RecordDeletionTest, AMissingLogFails) {
    std::filesystem::remove(session->WorkingPath("Voxwren.xrm"));
    core::SelectedRecord selection[] = {{9, ViewKind::kMeeting, "D9.xrz"}};
    EXPECT_EQ(core::DeleteRecords(*session, selection, index), 999);
}

TEST_F(RecordDeletionTest, ALineNamingAStoreComponentIsRefusedBeforeAnythingChanges) {
    RecordFields hostile = Record(2, "0");
    hostile.container = "Voxwren.xri";
    test::WriteFileText(session->WorkingPath("Voxwren.xrr").string(),
                        MakeRecordLog({Record(1, "0"), hostile, Record(3, "9")}));
    const std::string log_before = WorkingLog("Voxwren.xrr");
    const std::string store_before = ReadFileText((stores.path() / "KIVO.xrt").string());

    std::vector<RefusedRecording> refused;
    DeletionOptions options;
    options.index = &index;
    options.refused = &refused;
    core::SelectedRecord selection[] = {{1, ViewKind::kDictation, "D1.xrz"},
                                        {2, ViewKind::kDictation, "Voxwren.xri"}};
    EXPECT_EQ(core::DeleteRecords(*session, selection, options), 999);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].record_number, 2);
    EXPECT_EQ(refused[0].name, "Voxwren.xri");
    EXPECT_EQ(WorkingLog("Voxwren.xrr"), log_before);
    EXPECT_TRUE(ReadFileText((stores.path() / "KIVO.xrt").string()) == store_before);
    EXPECT_TRUE(index.removed.empty());
    EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(stores.path() / "KIVO.xrt")));
    for (const auto& entry : std::filesystem::directory_iterator(working.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("Voxwren.xrr.")) << entry.path();
}

// A delete reads each log of its records once: what it sees there while
// finding the lines decides which recordings a live record still names; the
// logs it did not read are read when the recordings are removed.
TEST_F(RecordDeletionTest, ARecordingThatALiveRecordOfAnyLogStillNamesStays) {
    RecordFields shares_one = Record(2, "0");
    shares_one.container = "D1.xrz";
    RecordFields meeting = Record(5, "1");
    meeting.container = "D3.xrz";
    test::WriteFileText(session->WorkingPath("Voxwren.xrr").string(),
                        MakeRecordLog({Record(1, "0"), shares_one, Record(3, "9")}));
    test::WriteFileText(session->WorkingPath("Voxwren.xrm").string(), MakeRecordLog({meeting}));
    core::SelectedRecord selection[] = {{2, ViewKind::kDictation, "D1.xrz"},
                                        {3, ViewKind::kVideo, "D3.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);
    auto stored = StoreAsReopened();
    EXPECT_EQ(stored.count("D1.xrz"), 1u);  // live record 1, in the log read
    EXPECT_EQ(stored.count("D3.xrz"), 1u);  // live meeting 5, in a log not read
    EXPECT_EQ(stored["Voxwren.xrr"].substr(802, 9), "99999999 ");   // record 2
    EXPECT_EQ(stored["Voxwren.xrr"].substr(1203, 9), "99999999 ");  // record 3
    EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(stores.path() / "KIVO.xrt")));
}

TEST_F(RecordDeletionTest, ANoteLeftByAnEarlierDeleteIsFinishedWithoutTakingANamedRecording) {
    RecordFields erased_before = Record(3, "9");
    erased_before.number = 99999999;  // erased by a delete cut short after its save
    test::WriteFileText(session->WorkingPath("Voxwren.xrr").string(),
                        MakeRecordLog({Record(1, "0"), Record(2, "0"), erased_before}));
    const auto note = PendingDeletionsPath(stores.path() / "KIVO.xrt");
    test::WriteFileText(note.string(), "D1.xrz\nD3.xrz\nD4.xrz\n");
    core::SelectedRecord selection[] = {{2, ViewKind::kDictation, "D2.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);
    auto stored = StoreAsReopened();
    EXPECT_EQ(stored.count("D2.xrz"), 0u);
    EXPECT_EQ(stored.count("D3.xrz"), 0u);  // named by an erased line only
    EXPECT_EQ(stored.count("D1.xrz"), 1u);  // live record 1
    EXPECT_EQ(stored.count("D4.xrz"), 1u);  // live phone record 4, in a log not read
    EXPECT_FALSE(std::filesystem::exists(note));
}

// The line, not the list the selection came from, names the recording.
TEST_F(RecordDeletionTest, ASelectionNamingAnotherRecordingStillRemovesTheLinesOwn) {
    core::SelectedRecord selection[] = {{2, ViewKind::kDictation, "D1.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);
    auto stored = StoreAsReopened();
    EXPECT_EQ(stored.count("D2.xrz"), 0u);
    EXPECT_EQ(stored.count("D1.xrz"), 1u);
}

TEST(DeleteQuestion, NamesTheIdOfASingleRecord) {
    core::SelectedRecord one[] = {{7, ViewKind::kDictation, ""}};
    EXPECT_EQ(core::DeleteQuestion(one, "00000007"),
              "Are you sure you want to delete message ID : 00000007");
    core::SelectedRecord three[] = {{1, ViewKind::kDictation, ""},
                                    {2, ViewKind::kDictation, ""},
                                    {3, ViewKind::kDictation, ""}};
    EXPECT_EQ(core::DeleteQuestion(three, "00000003"),
              "Are you sure you want to delete the selected records");
}

}  // namespace
}  // namespace kivo::core
