// Compaction drops erased lines, re-points index entries, reclaims the
// store's space and reports its steps as the dialog shows them.
#include "kivo/exchange/store_compaction.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/working_folder.h"
#include "recording_index.h"
#include "store_fixture.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace kivo::exchange {
namespace {

using core::RecordingIndex;
using test::MakeRecordLine;
using test::MakeRecordLog;
using test::ReadFileText;
using test::RecordFields;
using test::RecordLogHeader;
using test::TempDir;
using test::WriteFileText;

RecordFields Record(int number, std::string kind = "0") {
    RecordFields f;
    f.number = number;
    f.kind = std::move(kind);
    f.start_date = "0" + std::to_string(number % 9 + 1) + "/01/2024";
    f.container = "D" + std::to_string(number) + ".xrz";
    return f;
}

TEST(CompactRecordLog, LogWithoutErasedLinesIsUnchangedAndEntriesKeepTheirPositions) {
    TempDir dir;
    const std::string log = MakeRecordLog({Record(1), Record(2), Record(3)});
    WriteFileText(dir.file("Voxwren.xrr"), log);
    RecordingIndex index;
    index.keywords[2] = "budget review";
    ComponentCompaction result = CompactRecordLog(dir.file("Voxwren.xrr"), index);
    EXPECT_EQ(result.result, kCompactOk);
    EXPECT_EQ(ReadFileText(dir.file("Voxwren.xrr")), log);
    ASSERT_EQ(index.moves.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(index.moves[i].record_number, static_cast<int>(i + 1));
        EXPECT_EQ(index.moves[i].position, 401u * (i + 1));
        EXPECT_EQ(index.moves[i].kind_code, "0");
    }
    EXPECT_EQ(index.moves[1].keywords, "budget review");
    EXPECT_EQ(index.moves[1].start_date, "03/01/2024");
}

TEST(CompactRecordLog, ErasedLinesAreDroppedAndLaterRecordsMoveUp) {
    TempDir dir;
    WriteFileText(dir.file("Voxwren.xrm"), RecordLogHeader() + MakeRecordLine(Record(1, "1")) +
                                               core::ErasedRecordLine() +
                                               MakeRecordLine(Record(3, "1")));
    RecordingIndex index;
    ComponentCompaction result = CompactRecordLog(dir.file("Voxwren.xrm"), index);
    EXPECT_EQ(result.lines_dropped, 1u);
    EXPECT_EQ(ReadFileText(dir.file("Voxwren.xrm")),
              RecordLogHeader() + MakeRecordLine(Record(1, "1")) + MakeRecordLine(Record(3, "1")));
    ASSERT_EQ(index.moves.size(), 2u);
    EXPECT_EQ(index.moves[1].record_number, 3);
    EXPECT_EQ(index.moves[1].position, 802u);
}

TEST(CompactRecordLog, AllDeletedLogKeepsOnlyItsHeaderLine) {
    TempDir dir;
    WriteFileText(dir.file("Voxwren.xrd"),
                  RecordLogHeader() + core::ErasedRecordLine() + core::ErasedRecordLine());
    RecordingIndex index;
    EXPECT_EQ(CompactRecordLog(dir.file("Voxwren.xrd"), index).result, kCompactOk);
    EXPECT_EQ(ReadFileText(dir.file("Voxwren.xrd")), RecordLogHeader());
    EXPECT_TRUE(index.moves.empty());  // the header is no record
}

TEST(CompactRecordLog, MissingLogFailsWith112) {
    TempDir dir;
    RecordingIndex index;
    EXPECT_EQ(CompactRecordLog(dir.file("Voxwren.xrp"), index).result, kCompactUnreadable);
}

class StoreCompactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = test::NewStoreMembers();
        members["Voxwren.xrr"] = MakeRecordLog({Record(1), Record(2)});
        members["D1.xrz"] = std::string(200000, 'a');
        members["D2.xrz"] = std::string(200000, 'b');
        test::MakeStore(store(), members);
        ASSERT_EQ(working.Create(root.path()), 0);
        session.emplace(working.path());
        session->set_location({stores.path(), "KIVO"});
        ASSERT_EQ(session->LoadDataStore(), 0);
    }
    std::filesystem::path store() { return stores.path() / "KIVO.xrt"; }

    TempDir root, stores;
    core::WorkingFolder working;
    std::optional<core::DataStoreSession> session;
    RecordingIndex index;
};

TEST_F(StoreCompactionTest, StepsReportTheDialogsTextsInOrder) {
    StoreCompaction compaction(*session, index);
    std::vector<CompactionStepReport> reports;
    compaction.RunAll([&](const CompactionStepReport& r) { reports.push_back(r); });
    std::vector<int> steps;
    for (const auto& r : reports)
        steps.push_back(r.step);
    EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3, 4, 5, 99, 100}));
    EXPECT_EQ(reports[0].components_label, "Compress components");
    EXPECT_EQ(reports[0].store_label, "Remove unwanted space from data store");
    EXPECT_EQ(reports[1].components_label, "Compressing your Message folder");
    EXPECT_EQ(reports[1].components_state, kLabelGreen);
    EXPECT_EQ(reports[4].components_label, "Compressing your Diary folder");
    EXPECT_EQ(reports[5].components_label, "Components have now been compressed");
    EXPECT_EQ(reports[5].components_state, kLabelBlue);
    EXPECT_EQ(reports[5].store_label, "Removing unwanted space from your data store");
    EXPECT_EQ(reports[6].store_label, "Unwanted space has been removed from your data store");
    EXPECT_EQ(reports[6].store_state, kLabelBlue);
    EXPECT_TRUE(compaction.errors().empty());
}

TEST_F(StoreCompactionTest, MissingComponentAddsItsErrorRowAndTheRestGoesOn) {
    std::filesystem::remove(session->WorkingPath("Voxwren.xrp"));
    StoreCompaction compaction(*session, index);
    std::vector<CompactionStepReport> reports;
    compaction.RunAll([&](const CompactionStepReport& r) { reports.push_back(r); });
    EXPECT_EQ(reports[3].error_row, "Error compressing Phone folder");
    EXPECT_EQ(compaction.errors(), (std::vector<std::string>{"Error compressing Phone folder"}));
    EXPECT_EQ(reports[5].components_label,
              "1 or more components failed to be compressed - Check Error Log");
    EXPECT_EQ(reports[5].components_state, kLabelRed);
    EXPECT_EQ(index.moves.size(), 2u);  // the message log was still compacted
}

TEST_F(StoreCompactionTest, DeletedRecordsAndOldLogVersionsLeaveNoWaste) {
    core::SelectedRecord selection[] = {{1, core::ViewKind::kDictation, "D1.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);
    RPS_STATUS* before = RPS_Info(store().c_str());
    ASSERT_GT(before->deleted_size, 200000u);

    StoreCompaction compaction(*session, index);
    compaction.RunAll({});
    EXPECT_TRUE(compaction.errors().empty());
    RPS_STATUS* after = RPS_Info(store().c_str());
    EXPECT_EQ(after->deleted_size, 0u);
    auto stored = test::ReadStoreMembers(store());
    EXPECT_EQ(stored["Voxwren.xrr"], MakeRecordLog({Record(2)}));
}

TEST_F(StoreCompactionTest, AStoreThatCannotBeCompactedIsLeftAsItWasAndSaysSo) {
    core::SelectedRecord selection[] = {{1, core::ViewKind::kDictation, "D1.xrz"}};
    ASSERT_EQ(core::DeleteRecords(*session, selection, index), 0);
    const std::string before = test::ReadFileText(store().string());
    // Another holder of the repository's lock makes every repository call fail.
    const int holder = ::open(store().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    StoreCompaction compaction(*session, index);
    std::vector<CompactionStepReport> reports;
    compaction.RunAll([&](const CompactionStepReport& r) { reports.push_back(r); });
    ::close(holder);

    ASSERT_EQ(reports.size(), 8u);
    EXPECT_EQ(reports[5].error_row, "Error removing wasted space from Data Store");
    EXPECT_EQ(reports[6].store_label, "Unwanted space could not be removed from your data store");
    EXPECT_EQ(reports[6].store_state, kLabelRed);
    EXPECT_FALSE(compaction.errors().empty());
    EXPECT_TRUE(test::ReadFileText(store().string()) == before) << "the store changed";
}

}  // namespace
}  // namespace kivo::exchange
