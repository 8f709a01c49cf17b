// Exporting recordings as Kivo recording files: what the copies hold, what
// the data store keeps, and what happens when one record fails.
#include "kivo/exchange/recording_export.h"

#include <gtest/gtest.h>

#include "export_fixture.h"
#include "file_bytes.h"
#include "kivo/exchange/export_delivery.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/store_repository.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using test::ExportStore;
using test::TestRecording;

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Exports the records' containers to out with the options; returns the
// prepared files' codes.
std::vector<int> ExportTo(const ExportStore& store, const std::vector<std::string>& files,
                          const ExportOptions& options, const fs::path& out) {
    RecordingExport exporter(store.Source());
    EXPECT_EQ(exporter.Prepare(files, options), kExportOk);
    std::vector<int> codes;
    for (const PreparedFile& file : exporter.files()) {
        codes.push_back(file.code);
        if (file.ok()) {
            EXPECT_TRUE(DeliverFile(file.path, out / file.recording_file, Overwrite::kNever).ok());
        }
    }
    return codes;
}

TEST(RecordingExport, ExportedRecordingCarriesItsKeywordsAndOpensWithItsMarks) {
    TestRecording recording;
    ExportStore store({recording});
    test::TempDir out, opened;
    ASSERT_EQ(ExportTo(store, {recording.container()}, {}, out.path()), std::vector<int>{0});

    ASSERT_TRUE(test::OpenExported(out.path() / "D1.xrz", opened.path()));
    EXPECT_EQ(test::ReadFileText(opened.file("D1.xrk")), "bank loan");
    recordstore::IndexMarkRead marks;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile(opened.file("D1.xrs"), &marks).ok());
    ASSERT_EQ(marks.marks.size(), 2u);
    EXPECT_EQ(marks.marks[0].comment, "first point");
    EXPECT_EQ(marks.marks[1].time_stamp, "00:00:02");
    EXPECT_EQ(test::ReadWaveSamples(opened.path() / "D1.xrw"), test::ToneSamples(8000, 1, 3));
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::ReadFile(opened.file("D1.xrl"), &line).ok());
    EXPECT_EQ(line.StoredField(6), "");
}

TEST(RecordingExport, LockedCopySaysXInFieldSixAndKeepsNoUnlockedLine) {
    TestRecording meeting;
    meeting.agenda = "Agenda\r\n\tBudget\r\n";
    ExportStore store({meeting});
    const std::string stored_before = store.ContainerBytes(meeting);
    test::TempDir out, opened;
    ExportOptions lock;
    lock.lock = true;
    ASSERT_EQ(ExportTo(store, {meeting.container()}, lock, out.path()), std::vector<int>{0});

    ASSERT_TRUE(test::OpenExported(out.path() / "D1.xrz", opened.path()));
    const std::string bytes = test::ReadFileText(opened.file("D1.xrl"));
    ASSERT_EQ(bytes.size(), 401 + meeting.agenda.size());
    EXPECT_EQ(bytes.substr(401), meeting.agenda);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(bytes.substr(0, 401), &line).ok());
    EXPECT_EQ(line.StoredField(6), "X");
    EXPECT_EQ(line.record_number(), 1);
    EXPECT_EQ(line.FieldText(5), "Letter to the bank");
    EXPECT_EQ(line.StoredField(7), "D1.xrz");
    EXPECT_EQ(line.StoredField(14), "2");
    // The copy was compacted: the recipient cannot bring back the unlocked line.
    recordstore::Repository exported(filesystem::DefaultFileSystem(),
                                     (out.path() / "D1.xrz").string());
    EXPECT_EQ(exported.Info().deleted_size_bytes, 0u);
    // The record in the data store is as it was.
    EXPECT_EQ(store.ContainerBytes(meeting), stored_before);
}

TEST(RecordingExport, LockedRecordLineRebuildsTheFirstFourteenWords) {
    test::RecordFields fields;
    fields.subject = "two words";
    const std::string locked = LockedRecordLine(test::MakeRecordLine(fields));
    ASSERT_EQ(locked.size(), 401u);
    EXPECT_EQ(locked.back(), '\n');
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(locked, &line).ok());
    EXPECT_EQ(line.StoredField(6), "X");
    EXPECT_EQ(line.FieldText(5), "two words");
    EXPECT_EQ(line.StoredField(12), "00:01:00");
    EXPECT_EQ(LockedRecordLine("not a record line"), "");
}

TEST(RecordingExport, OneFailingRecordLeavesTheOthersExported) {
    TestRecording good;
    TestRecording no_line;
    no_line.number = 2;
    no_line.with_line = false;
    TestRecording not_stored;
    not_stored.number = 3;
    TestRecording good_too;
    good_too.number = 4;
    ExportStore store({good, no_line, good_too}, {not_stored});
    test::TempDir out;
    ExportOptions lock;
    lock.lock = true;
    const auto codes = ExportTo(store, {"D1.xrz", "D2.xrz", "D3.xrz", "D4.xrz"}, lock, out.path());
    EXPECT_EQ(codes, (std::vector<int>{kExportOk, kExportKeywordsFailed, kExportExtractFailed,
                                       kExportOk}));
    EXPECT_EQ(FolderEntries(out.path()), (std::vector<std::string>{"D1.xrz", "D4.xrz"}));
}

TEST(RecordingExport, ADamagedRecordLineIsNotLockedAndTheCopyStaysHome) {
    TestRecording damaged;
    damaged.damaged_line = true;
    ExportStore store({damaged});
    test::TempDir out;
    ExportOptions lock;
    lock.lock = true;
    EXPECT_EQ(ExportTo(store, {"D1.xrz"}, lock, out.path()), std::vector<int>{kExportLineMissing});
    EXPECT_TRUE(FolderEntries(out.path()).empty());
    // Without the lock the same copy goes out as it is.
    EXPECT_EQ(ExportTo(store, {"D1.xrz"}, {}, out.path()), std::vector<int>{kExportOk});
}

TEST(RecordingExport, AStoreThatGivesNothingBackIsError111AndLeavesNoWorkingCopies) {
    TestRecording recording;
    ExportStore store({recording});
    ExportSource source = store.Source();
    source.store_path = store.working() / "missing.xrt";
    {
        RecordingExport exporter(source);
        EXPECT_EQ(exporter.Prepare({"D1.xrz"}, {}), kExportExtractFailed);
        EXPECT_TRUE(exporter.files().empty());
    }
    {
        RecordingExport exporter(store.Source());
        ASSERT_EQ(exporter.Prepare({"D1.xrz", "../Voxwren.xrr"}, {}), kExportOk);
        EXPECT_EQ(exporter.files()[1].code, kExportExtractFailed);
        EXPECT_TRUE(fs::exists(exporter.files()[0].path));
    }
    EXPECT_EQ(FolderEntries(store.working()), std::vector<std::string>{"Voxwren.xri"});
}

TEST(ExportDelivery, AnExistingFileIsReplacedOnlyWhenAsked) {
    test::TempDir dir;
    test::WriteFileText(dir.file("new"), "new recording");
    test::WriteFileText(dir.file("D1.xrz"), "someone's file");
    Delivery kept = DeliverFile(dir.path() / "new", dir.path() / "D1.xrz", Overwrite::kNever);
    EXPECT_EQ(kept.outcome, DeliveryOutcome::kTargetExists);
    EXPECT_EQ(test::ReadFileText(dir.file("D1.xrz")), "someone's file");
    EXPECT_TRUE(DeliverFile(dir.path() / "new", dir.path() / "D1.xrz", Overwrite::kReplace).ok());
    EXPECT_EQ(test::ReadFileText(dir.file("D1.xrz")), "new recording");
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"D1.xrz", "new"}));
}

TEST(ExportDelivery, AFailedCopyLeavesNothingUnderTheTargetName) {
    test::TempDir dir;
    Delivery missing_source =
        DeliverFile(dir.path() / "absent", dir.path() / "D1.xrz", Overwrite::kNever);
    EXPECT_EQ(missing_source.outcome, DeliveryOutcome::kFailed);
    test::WriteFileText(dir.file("new"), "new recording");
    Delivery missing_folder =
        DeliverFile(dir.path() / "new", dir.path() / "gone" / "D1.xrz", Overwrite::kNever);
    EXPECT_EQ(missing_folder.outcome, DeliveryOutcome::kFailed);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"new"});
}

TEST(ExportDelivery, AFileMadeWhileCopyingIsNotReplaced) {
    test::TempDir dir;
    test::WriteFileText(dir.file("D1.xrz"), "arrived meanwhile");
    fs::path temporary;
    const int fd = OpenTemporaryBeside(dir.path() / "D1.xrz", &temporary);
    ASSERT_GE(fd, 0);
    close(fd);
    Delivery result = CommitTemporary(temporary, dir.path() / "D1.xrz", Overwrite::kNever);
    EXPECT_EQ(result.outcome, DeliveryOutcome::kTargetExists);
    EXPECT_EQ(test::ReadFileText(dir.file("D1.xrz")), "arrived meanwhile");
    EXPECT_FALSE(fs::exists(temporary));
}

}  // namespace
}  // namespace kivo::exchange
