// Kivo video files (".xrv") from disk, as "Kivo Video File" and the data
// store import take them: an exported video record becomes a kind "9" record
// of the receiving store with a new number, the same WMV, its marks and its
// keywords; files that are no video recording fail one by one with their
// reason, leave no half record and are never changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "file_bytes.h"
#include "import_fixture.h"
#include "kivo/exchange/import_message_files.h"
#include "kivo/exchange/import_messages.h"
#include "kivo/exchange/import_recording.h"
#include "kivo/exchange/import_store.h"
#include "kivo/exchange/recording_export.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"
#include "temp_dir.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using test::TestStore;

// Saves a one-second video record (FFmpeg's test picture and a tone in WMV)
// the way the video recorder saves one; its record number.
std::int32_t SaveVideoRecord(TestStore& store, const fs::path& wmv, const std::string& subject,
                             const std::string& keywords) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(store.working_folder());
    fs::copy_file(wmv, files.Path(recordstore::kVideoMediaExtension));
    recorder::NewRecord record;
    record.fields.kind_code = recordstore::kind_code::kVideo;
    record.fields.text_a = "0";
    record.fields.subject = subject;
    record.fields.container_name = files.Name(recordstore::kVideoContainerExtension);
    record.fields.start_date = record.fields.end_date = "08/12/2026";
    record.fields.start_time = "09:00:00";
    record.fields.end_time = "09:00:01";
    record.fields.duration = "00:00:01";
    record.media_kind = recordstore::MediaKind::kVideo;
    record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    record.marks = {recordstore::MakeIndexMark("00:00:00", "Gate"),
                    recordstore::MakeIndexMark("00:00:01", "Door")};
    record.keywords = keywords;
    recorder::NewRecordSave save(store.target(), files);
    EXPECT_EQ(save.Save(record), 0);
    files.RemoveAll();
    fs::remove(files.Path(recordstore::kVideoMediaExtension));
    fs::remove(files.Path(recordstore::kVideoContainerExtension));
    return save.record_number();
}

class VideoRecordingImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        wmv_ = files_.path() / "porch.wmv";
        ASSERT_EQ(std::system(("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=25 "
                               "-f lavfi -i sine -t 1 -c:v wmv2 -c:a wmav2 '" +
                               wmv_.string() + "' >/dev/null 2>&1")
                                  .c_str()),
                  0);
        const std::int32_t number = SaveVideoRecord(sender_, wmv_, "Porch door", "hinge lock");
        container_ = sender_.Lines().at(number).FieldText(7);
        RecordingExport exporter({sender_.store_path(),
                                  sender_.working_folder() / recordstore::kIndexName,
                                  sender_.working_folder(), core::StoreAccess()});
        ASSERT_EQ(exporter.Prepare({container_}, {}), kExportOk);
        ASSERT_TRUE(exporter.files().at(0).ok());
        sent_ = files_.path() / "Porch door.xrv";
        fs::copy_file(exporter.files()[0].path, sent_);
    }

    // The members of the receiver's record, unpacked into a fresh folder.
    fs::path OpenReceived(const recordstore::RecordLine& line) {
        const fs::path folder = files_.path() / ("opened-" + line.FieldText(7));
        fs::create_directories(folder);
        const recordstore::RecordingContainer container(line.FieldText(7),
                                                        recordstore::MediaKind::kVideo);
        EXPECT_EQ(container.OpenFromStore(folder.string(), receiver_.store_path().string(), 0),
                  recordstore::ContainerResult::kDone);
        return folder;
    }

    void ExpectNoRecordFilesLeft() const {
        for (const std::string& name : test::FilesUnder(receiver_.working_folder()))
            EXPECT_NE(name.rfind('D', 0), 0u) << name;
    }

    test::TempDir files_;
    TestStore sender_{"Sender"};
    TestStore receiver_{"Receiver"};
    fs::path wmv_;
    std::string container_;
    fs::path sent_;
};

TEST_F(VideoRecordingImportTest, AnExportedVideoArrivesWithANewNumberItsWmvMarksAndKeywords) {
    test::SampleRecord dictation;
    dictation.subject = "Already here";
    dictation.samples = test::DistinctSamples(1);
    receiver_.Save(dictation);
    const std::string sent_bytes = test::ReadFileText(sent_.string());

    const MessageFilesImport import = ImportMessageFiles(receiver_.target(), {sent_});
    ASSERT_EQ(import.imported(), 1u) << import.outcomes[0].result.reason;
    EXPECT_EQ(import.SummaryText(), "1 of 1 Kivo files successfully imported.");
    EXPECT_EQ(import.outcomes[0].result.record_number, 2);

    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.count(2), 1u);
    const recordstore::RecordLine& line = lines.at(2);
    EXPECT_EQ(line.FieldText(2), "9");
    EXPECT_EQ(line.DisplayField(5), "Porch door");
    EXPECT_TRUE(line.FieldText(7).ends_with(".xrv"));
    EXPECT_NE(line.FieldText(7), container_);  // a new stamp
    EXPECT_EQ(receiver_.Keywords(2), "hinge lock");

    const fs::path opened = OpenReceived(line);
    const std::string stem = line.FieldText(7).substr(0, line.FieldText(7).size() - 4);
    EXPECT_EQ(test::ReadFileText((opened / (stem + ".wmv")).string()),
              test::ReadFileText(wmv_.string()));
    recordstore::IndexMarkRead marks;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile((opened / (stem + ".xrs")).string(), &marks).ok());
    ASSERT_EQ(marks.marks.size(), 2u);
    EXPECT_EQ(marks.marks[0].comment, "Gate");
    EXPECT_EQ(marks.marks[1].comment, "Door");
    EXPECT_EQ(marks.marks[1].time_stamp, "00:00:01");

    EXPECT_EQ(test::ReadFileText(sent_.string()), sent_bytes);  // the file is only read
    ExpectNoRecordFilesLeft();
}

TEST_F(VideoRecordingImportTest, FilesThatAreNoVideoRecordingFailAloneWithTheirReason) {
    // Text under a video file's name.
    const fs::path text = files_.path() / "notes.xrv";
    test::WriteFileText(text.string(), std::string(3000, 'x'));
    // A dictation's recording file renamed to ".xrv": no video in it.
    test::SampleRecord dictation;
    dictation.subject = "Dictation";
    dictation.samples = test::DistinctSamples(2);
    const std::int32_t number = sender_.Save(dictation);
    const std::string audio_container = sender_.Lines().at(number).FieldText(7);
    recordstore::Repository sender_store(filesystem::DefaultFileSystem(),
                                         sender_.store_path().string());
    ASSERT_TRUE(sender_store.Get(files_.path().string(), {audio_container}));
    const fs::path renamed = files_.path() / "dictation.xrv";
    fs::rename(files_.path() / audio_container, renamed);
    // The video with a record line that calls it a dictation.
    const fs::path mislabelled = files_.path() / "mislabelled.xrv";
    fs::copy_file(sent_, mislabelled);
    const std::string stem = container_.substr(0, container_.size() - 4);
    {
        test::TempDir scratch;
        recordstore::Repository file(filesystem::DefaultFileSystem(), mislabelled.string());
        ASSERT_TRUE(file.Get(scratch.path().string(), {stem + ".xrl"}));
        recordstore::RecordLine line;
        ASSERT_TRUE(recordstore::RecordLine::ReadFile(scratch.file(stem + ".xrl"), &line).ok());
        recordstore::RecordFields fields = line.Fields();
        fields.kind_code = "0";
        recordstore::RecordLine dictation_line;
        ASSERT_TRUE(recordstore::RecordLine::Parse(recordstore::RecordLine::Build(fields).bytes,
                                                   &dictation_line)
                        .ok());
        ASSERT_TRUE(dictation_line.WriteFile(scratch.file(stem + ".xrl")).ok());
        ASSERT_TRUE(file.Put(scratch.path().string(), {stem + ".xrl"}));
    }
    const std::size_t members_before = receiver_.MemberNames().size();
    const std::string mislabelled_bytes = test::ReadFileText(mislabelled.string());

    const MessageFilesImport import =
        ImportMessageFiles(receiver_.target(), {text, renamed, mislabelled, sent_});
    ASSERT_EQ(import.outcomes.size(), 4u);
    EXPECT_EQ(import.outcomes[0].result.message, kMessageUnreadableRecording);
    EXPECT_EQ(import.outcomes[1].result.message, kMessageUnreadableRecording);
    EXPECT_EQ(import.outcomes[1].result.reason, "it holds no video (.wmv)");
    EXPECT_EQ(import.outcomes[2].result.message, kMessageIncompleteRecording);
    EXPECT_NE(import.outcomes[2].result.reason.find("not a video record"), std::string::npos);
    for (const MessageFileOutcome& outcome : import.outcomes)
        EXPECT_EQ(outcome.result.ok(), outcome.file == sent_) << outcome.result.reason;
    EXPECT_EQ(import.SummaryText(), "1 of 4 Kivo files successfully imported.");
    EXPECT_EQ(receiver_.Lines().size(), 1u);
    EXPECT_EQ(receiver_.MemberNames().size(), members_before + 1);
    EXPECT_EQ(test::ReadFileText(mislabelled.string()), mislabelled_bytes);
    ExpectNoRecordFilesLeft();
}

TEST_F(VideoRecordingImportTest, AVideoFileWhoseMemberNameClimbsOutIsRefusedAndWritesNothing) {
    // The WMV member renamed in the file's bytes to "../<stem>.wmv" (same length).
    const std::string stem = container_.substr(0, container_.size() - 4);
    const std::string from = stem + ".wmv";
    const std::string to = "../" + from.substr(3);
    test::Bytes bytes = test::ReadFileBytes(sent_.string());
    std::size_t renamed = 0;
    for (auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
         at != bytes.end(); at = std::search(at, bytes.end(), from.begin(), from.end())) {
        at = std::copy(to.begin(), to.end(), at);
        ++renamed;
    }
    ASSERT_GT(renamed, 0u);
    test::WriteFileBytes(sent_.string(), bytes);
    const auto around_before = test::FilesUnder(receiver_.folder());

    const RecordingImportResult result = RecordingImport(receiver_.target()).Import(sent_);
    EXPECT_EQ(result.message, kMessageUnreadableRecording);
    EXPECT_NE(result.reason.find("named"), std::string::npos) << result.reason;
    EXPECT_FALSE(result.stored);
    EXPECT_TRUE(receiver_.Lines().empty());
    EXPECT_EQ(test::FilesUnder(receiver_.folder()), around_before);
    EXPECT_FALSE(fs::exists(receiver_.working_folder().parent_path() / to.substr(3)));
}

TEST_F(VideoRecordingImportTest, AStoreImportBringsItsVideoRecordsWithTheOthers) {
    test::SampleRecord dictation;
    dictation.subject = "Dictation";
    dictation.samples = test::DistinctSamples(3);
    sender_.Save(dictation);
    ASSERT_EQ(sender_.session().SaveDataStore(), 0);

    StoreImport import(receiver_.target());
    ASSERT_EQ(import.Choose(sender_.store_path()), 0);
    EXPECT_EQ(import.import_list().size(), 2u);
    EXPECT_EQ(import.Run([](int, const std::string&) {}), 0);
    EXPECT_EQ(import.failures(), 0u);
    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines.at(1).FieldText(2), "9");
    EXPECT_EQ(lines.at(1).DisplayField(5), "Porch door");
    EXPECT_EQ(receiver_.Keywords(1), "hinge lock");
    EXPECT_EQ(lines.at(2).DisplayField(5), "Dictation");
    ExpectNoRecordFilesLeft();
}

}  // namespace
}  // namespace kivo::exchange
