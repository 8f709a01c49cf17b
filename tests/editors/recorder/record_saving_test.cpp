// Saving a new record through the kit, as a recorder other than the
// dictation recorder would: only its fields and its record log are its own;
// numbering, the index-mark file, the picture, the container, the log and
// the index entry come from the kit. Against a real data store.
#include "kivo/recorder/record_saving.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recorder/recorder_target.h"
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
    record.extra_members = {files.Name(".xr1"), files.Name(".xr2")};
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

// A member of the store as the store file alone holds it, and as committed
// (the store with its component journal played back, as the next start or
// kivoctl sees it).
struct MemberStates {
    std::string stored;
    std::string committed;
};
MemberStates ReadMember(const fs::path& store, const std::string& name) {
    MemberStates states;
    test::TempDir alone, committed;
    const std::string names[] = {name};
    if (core::StoreGet(store.string(), alone.path().string(), names) == core::kStoreOk)
        states.stored = test::ReadFileText(alone.file(name));
    std::vector<std::string> all(core::SavedMembers().begin(), core::SavedMembers().end());
    core::DataStoreSession reader(committed.path());
    reader.set_location(core::StoreLocation::FromOpenedPath(store));
    if (core::StoreGet(store.string(), committed.path().string(), all) == core::kStoreOk &&
        reader.TakeUnpackedComponents(recordstore::StoreAccess::kReadOnly) == core::kStoreOk) {
        states.committed = test::ReadFileText(committed.file(name));
    }
    return states;
}

TEST_F(RecordSavingTest, ABoundSavePutsItsContainerAloneAndCommitsLogAndIndex) {
    RecorderTarget bound = target_;
    BindToSession(bound, *store_);
    const RecordFiles files = RecordFiles::ForNewRecord(work_);
    test::WriteWave(files.wave_path().string(), kMono8k, test::MakeCountingPattern(kMono8k, 800));
    NewRecord record = Meeting();
    record.fields.container_name = files.container_name();
    const std::uintmax_t store_before = fs::file_size(store_->store_path());

    NewRecordSave save(bound, files);
    ASSERT_EQ(save.Save(record), 0);

    // The store took the container and its own bookkeeping, not the logs.
    const std::uintmax_t grown = fs::file_size(store_->store_path()) - store_before;
    EXPECT_LT(grown, fs::file_size(files.container_path()) + 1024);
    const MemberStates log = ReadMember(store_->store_path(), "Voxwren.xrm");
    EXPECT_EQ(log.stored.size(), recordstore::kRecordLineBytes);
    EXPECT_EQ(log.committed, test::ReadFileText((work_ / "Voxwren.xrm").string()));
    EXPECT_EQ(log.committed.size(), 2 * recordstore::kRecordLineBytes);
    EXPECT_EQ(ReadMember(store_->store_path(), "Voxwren.xri").committed,
              test::ReadFileText((work_ / "Voxwren.xri").string()));
}

// A bound save writes the profile's counter without syncing it. A power cut
// that takes the profile back to before the saves (its last synced state at
// worst) must not hand a number the store's logs hold to the next record.
TEST_F(RecordSavingTest, ANumberLostFromTheProfileByAPowerCutIsNotGivenAgain) {
    const auto save_meeting = [this](const RecorderTarget& target, const fs::path& folder) {
        const RecordFiles files = RecordFiles::ForNewRecord(folder);
        test::WriteWave(files.wave_path().string(), kMono8k,
                        test::MakeCountingPattern(kMono8k, 800));
        NewRecord record = Meeting();
        record.fields.container_name = files.container_name();
        NewRecordSave save(target, files);
        EXPECT_EQ(save.Save(record), 0);
        return save.record_number();
    };
    const std::string profile_path = dir_.file("KIVO.ini");
    const std::optional<std::string> profile_before =
        fs::exists(profile_path) ? std::optional(test::ReadFileText(profile_path)) : std::nullopt;
    RecorderTarget bound = target_;
    BindToSession(bound, *store_);
    EXPECT_EQ(save_meeting(bound, work_), 1);
    EXPECT_EQ(save_meeting(bound, work_), 2);
    EXPECT_EQ(save_meeting(bound, work_), 3);
    EXPECT_EQ(profile_.Read("anna", "RecID"), "00000003");

    // The power cut: the profile's unsynced writes are gone; the store's
    // component journal holds the three lines. The next start loads the
    // store into a fresh working folder.
    if (profile_before)
        test::WriteFileText(profile_path, *profile_before);
    else
        fs::remove(profile_path);
    ASSERT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
    const fs::path restarted_work = dir_.path() / "restarted";
    fs::create_directories(restarted_work);
    core::DataStoreSession restarted(restarted_work, &profile_, "anna");
    restarted.set_location({dir_.path(), "KIVO"});
    ASSERT_EQ(restarted.LoadDataStore(), 0);
    RecorderTarget after = target_;
    after.working_folder = restarted_work;
    BindToSession(after, restarted);
    EXPECT_EQ(save_meeting(after, restarted_work), 4);
    EXPECT_EQ(save_meeting(after, restarted_work), 5);
}

TEST_F(RecordSavingTest, ABoundSaveAfterTheStoreWasSwitchedIsRefusedAndWritesNothing) {
    RecorderTarget bound = target_;
    BindToSession(bound, *store_);
    const fs::path first = store_->store_path();
    // File > Open of another store while the recorder stays open.
    const core::StoreLocation second{dir_.path(), "Second"};
    test::TempDir builder_folder;
    const int built = core::DataStoreSession(builder_folder.path()).BuildDataStore(second);
    ASSERT_TRUE(built == 0 || built == 102) << built;
    ASSERT_EQ(store_->Open(second.StorePath()), 0);
    const std::string first_bytes = test::ReadFileText(first.string());
    const std::string second_bytes = test::ReadFileText(store_->store_path().string());
    const std::string log_before = test::ReadFileText((work_ / "Voxwren.xrm").string());
    const RecordFiles files = RecordFiles::ForNewRecord(work_);
    test::WriteWave(files.wave_path().string(), kMono8k, test::MakeCountingPattern(kMono8k, 800));
    NewRecord record = Meeting();
    record.fields.container_name = files.container_name();

    NewRecordSave save(bound, files);
    EXPECT_EQ(save.Save(record), kMessageCannotSave);
    EXPECT_FALSE(save.stored());
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
    EXPECT_TRUE(test::ReadFileText(first.string()) == first_bytes);
    EXPECT_TRUE(test::ReadFileText(store_->store_path().string()) == second_bytes);
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrm").string()), log_before);
    EXPECT_FALSE(fs::exists(files.container_path()));

    // Bound again to the store now open, the same recording is saved there.
    BindToSession(bound, *store_);
    EXPECT_EQ(NewRecordSave(bound, files).Save(record), 0);
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
