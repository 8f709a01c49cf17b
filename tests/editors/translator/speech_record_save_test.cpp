// A typed text spoken into a recording and saved as a dictation or a meeting.
#include "kivo/translator/speech_record_save.h"

#include <gtest/gtest.h>

#include <memory>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/translator/translation_save.h"
#include "temp_dir.h"

namespace kivo::translator {
namespace {

namespace fs = std::filesystem;

class SpeechRecordSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        ASSERT_TRUE(built == 0 || built == 102) << built;
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);
        target_ = recorder::RecorderTarget{work_, store_->store_path(), &profile_, "anna", 0, {}};
    }

    recordstore::RecordFields LastLine(const char* log) const {
        const std::string text = test::ReadFileText((work_ / log).string());
        recordstore::RecordLine line;
        EXPECT_TRUE(recordstore::RecordLine::Parse(
                        text.substr(text.size() - recordstore::kRecordLineBytes), &line)
                        .ok());
        return line.Fields();
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    recorder::RecorderTarget target_;
};

TEST_F(SpeechRecordSaveTest, DictationWithoutSubjectGetsTheDefaultSubject) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    SpeechRecordSave save(target_, files);
    ASSERT_EQ(
        save.SaveNew({"Call the bank tomorrow.", "", "", 0, ""}, SpokenRecordKind::kDictation), 0);
    EXPECT_TRUE(save.stored());
    const recordstore::RecordFields fields = LastLine("Voxwren.xrr");
    EXPECT_EQ(fields.kind_code, "0");
    EXPECT_EQ(fields.subject, kDefaultSpeechSubject);
    EXPECT_NE(fields.duration, "00:00:00");
    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_NE(entry.keywords.find("bank"), std::string::npos);
    EXPECT_FALSE(fs::exists(files.wave_path()));
}

TEST_F(SpeechRecordSaveTest, MeetingGoesToTheMeetingsLog) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    SpeechRecordSave save(target_, files);
    ASSERT_EQ(save.SaveNew({"Agenda: budget.", "Board", "", 0, ""}, SpokenRecordKind::kMeeting), 0);
    const recordstore::RecordFields fields = LastLine("Voxwren.xrm");
    EXPECT_EQ(fields.kind_code, "1");
    EXPECT_EQ(fields.subject, "Board");
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrr"), recordstore::kRecordLineBytes);
}

TEST_F(SpeechRecordSaveTest, EmptyTextSavesNothingAndAMissingVoiceGives811) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    SpeechRecordSave empty(target_, files);
    EXPECT_EQ(empty.SaveNew({"", "", "", 0, ""}, SpokenRecordKind::kDictation), 0);
    EXPECT_FALSE(empty.stored());
    SpeechRecordSave no_voice(target_, files);
    EXPECT_EQ(
        no_voice.SaveNew({"Hello.", "", "No Such Voice", 0, ""}, SpokenRecordKind::kDictation),
        kMessageCannotCreateRecording);
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
}

}  // namespace
}  // namespace kivo::translator
