// Saving a new record through the kit, as a recorder other than the
// dictation recorder would: only its fields and its record log are its own;
// numbering, the index-mark file, the picture, the container, the log and
// the index entry come from the kit. Against a real data store.
#include "kivo/recorder/record_saving.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/recording_container.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;
using recordstore::IndexMarkType;

const wavefile::PcmFormat kMono8k{1, 8000, 16};

class RecordSavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        // 102: the greeting sounds are not installed beside the test.
        ASSERT_TRUE(built == 0 || built == 102) << built;
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);
        target_ = RecorderTarget{work_, store_->store_path(), &profile_, "anna", 0, {}};
    }

    // A meeting as its recorder would hand it over.
    NewRecord Meeting() const {
        NewRecord record;
        record.fields.kind_code = "1";
        record.fields.text_a = "£30.00";
        record.fields.subject = "Board meeting";
        record.fields.start_date = record.fields.end_date = "08/12/2026";
        record.fields.start_time = "09:00:00";
        record.fields.end_time = "09:30:00";
        record.fields.duration = "00:30:00";
        record.fields.recording_quality = "0";
        record.log = recordstore::RecordLogKind::kMeetings;
        record.marks = {recordstore::MakeIndexMark("00:05:00", "budget", IndexMarkType::kUser)};
        record.keywords = "budget plans";
        return record;
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    RecorderTarget target_;
};

TEST_F(RecordSavingTest, AMeetingIsNumberedPackedLoggedAndIndexed) {
    const RecordFiles files = RecordFiles::ForNewRecord(work_);
    test::WriteWave(files.wave_path().string(), kMono8k, test::MakeCountingPattern(kMono8k, 8000));
    test::WriteFileText(dir_.file("room.jpg"), "JPEG of the room");
    NewRecord record = Meeting();
    record.fields.container_name = files.container_name();
    record.picture = dir_.path() / "room.jpg";

    NewRecordSave save(target_, files);
    ASSERT_EQ(save.Save(record), 0);
    EXPECT_EQ(save.record_number(), 1);
    EXPECT_TRUE(save.stored());
    EXPECT_EQ(profile_.Read("anna", "RecID"), "00000001");

    // The line went to the meetings' log, not the dictations'.
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrr"), recordstore::kRecordLineBytes);
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrm").string());
    ASSERT_EQ(log.size(), 2 * recordstore::kRecordLineBytes);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    EXPECT_EQ(line.Fields().record_number, 1);
    EXPECT_EQ(line.Fields().kind_code, "1");
    EXPECT_EQ(line.Fields().subject, "Board meeting");

    // The container in the store holds the picture under its member name.
    const fs::path opened = dir_.path() / "opened";
    fs::create_directories(opened);
    ASSERT_EQ(
        recordstore::RecordingContainer(files.container_name(), recordstore::MediaKind::kAudio)
            .OpenFromStore(opened.string(), store_->store_path().string(), 0),
        recordstore::ContainerResult::kDone);
    const recordstore::DataStore container((opened / files.container_name()).string());
    EXPECT_EQ(container.FindMember(files.base_name() + ".JPG"),
              recordstore::MemberLookup::kPresent);
    recordstore::IndexMarkRead marks;
    ASSERT_TRUE(
        recordstore::ReadIndexMarkFile((opened / files.Name(".xrs")).string(), &marks).ok());
    ASSERT_EQ(marks.marks.size(), 1u);
    EXPECT_EQ(marks.marks[0].comment, "budget");

    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "1");
    EXPECT_EQ(entry.keywords, "budget plans");
    EXPECT_EQ(entry.mark_comments, "budget");
}

TEST_F(RecordSavingTest, WithoutItsWaveNothingIsSavedAndNoNumberUsedUp) {
    const RecordFiles files = RecordFiles::ForNewRecord(work_);
    NewRecordSave save(target_, files);
    EXPECT_EQ(save.Save(Meeting()), kMessageMissingFile);
    EXPECT_FALSE(save.stored());
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrm"), recordstore::kRecordLineBytes);
}

TEST_F(RecordSavingTest, AMissingTextMemberGives108AndUsesNoNumber) {
    const RecordFiles files = RecordFiles::ForNewRecord(work_);
    test::WriteWave(files.wave_path().string(), kMono8k, test::MakeCountingPattern(kMono8k, 800));
    test::WriteFileText(files.Path(".xr1").string(), "original");
    NewRecord record = Meeting();
    record.text_members = {files.Name(".xr1"), files.Name(".xr2")};
    NewRecordSave save(target_, files);
    EXPECT_EQ(save.Save(record), kMessageMissingFile);
    EXPECT_FALSE(save.stored());
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
}

TEST_F(RecordSavingTest, AStoreThatCannotBeWrittenGives109AndTheLogKeepsNoLine) {
    RecorderTarget gone = target_;
    gone.store_path = dir_.path() / "gone" / "KIVO.xrt";
    const RecordFiles files = RecordFiles::ForNewRecord(work_);
    test::WriteWave(files.wave_path().string(), kMono8k, test::MakeCountingPattern(kMono8k, 800));
    NewRecordSave save(gone, files);
    EXPECT_EQ(save.Save(Meeting()), kMessageCannotSave);
    EXPECT_FALSE(save.stored());
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrm"), recordstore::kRecordLineBytes);
    EXPECT_FALSE(fs::exists(files.container_path()));
}

TEST(RecordFilesTest, NamesFollowOneRuleAndStoredNamesStayInTheWorkingFolder) {
    const auto stored = RecordFiles::ForStoredRecord("/work", "D20261208094107001.xrz");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->base_name(), "D20261208094107001");
    EXPECT_EQ(stored->stamp(), "20261208094107001");
    EXPECT_EQ(stored->wave_path(), fs::path("/work/D20261208094107001.xrw"));
    EXPECT_EQ(stored->line_path(), fs::path("/work/D20261208094107001.xrl"));
    EXPECT_EQ(stored->PictureName(recordstore::PictureType::kJpg), "D20261208094107001.JPG");
    EXPECT_EQ(stored->PictureName(recordstore::PictureType::kNone), "");
    for (const char* hostile : {"../D1.xrz", "sub/D1.xrz", ".xrz", "D1.xrl", ".hidden.xrz"})
        EXPECT_FALSE(RecordFiles::ForStoredRecord("/work", hostile).has_value()) << hostile;

    // New records get names of their own, one stamp each.
    const RecordFiles first = RecordFiles::ForNewRecord("/work");
    const RecordFiles second = RecordFiles::ForNewRecord("/work");
    EXPECT_TRUE(first.base_name().starts_with("D"));
    EXPECT_NE(first.base_name(), second.base_name());
    EXPECT_EQ(first.container_name(), first.base_name() + ".xrz");
}

}  // namespace
}  // namespace kivo::recorder
