// Saving a spoken translation into a real data store: a kind "14" record in
// "Voxwren.xrr" whose container holds the wave and both texts, the wave as
// long as the speech, the index entry with the texts' words.
#include "kivo/translator/translation_save.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/speech/speech_synthesizer.h"
#include "kivo/wavefile/wave_reader.h"
#include "temp_dir.h"

namespace kivo::translator {
namespace {

namespace fs = std::filesystem;

class TranslationSaveTest : public ::testing::Test {
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
        target_ = recorder::RecorderTarget{work_, store_->store_path(), &profile_, "anna", 0, {}};
    }

    static TranslationDraft Letter() {
        TranslationDraft draft;
        draft.original_text = "The dog eats bread.";
        draft.translated_text = "El perro come pan.";
        draft.result_language = "Spanish";
        draft.translation_code = "eng-spa";
        draft.subject = "Letter to Maria";
        draft.keywords = "letter";
        draft.start_log_date = "08/12/2026 10:00:00";
        return draft;
    }

    fs::path OpenContainer(const recorder::RecordFiles& files) {
        const fs::path opened = dir_.path() / "opened";
        fs::create_directories(opened);
        EXPECT_EQ(
            recordstore::RecordingContainer(files.container_name(), recordstore::MediaKind::kAudio)
                .OpenFromStore(opened.string(), store_->store_path().string(), 0),
            recordstore::ContainerResult::kDone);
        return opened;
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    recorder::RecorderTarget target_;
};

TEST_F(TranslationSaveTest, SpanishTranslationBecomesKind14WithWaveAndBothTexts) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    TranslationSave save(target_, files);
    ASSERT_EQ(save.SaveNew(Letter()), 0);
    EXPECT_TRUE(save.stored());
    EXPECT_EQ(save.record_number(), 1);

    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    ASSERT_EQ(log.size(), 2 * recordstore::kRecordLineBytes);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.kind_code, "14");
    EXPECT_EQ(fields.text_a, "0");
    EXPECT_EQ(fields.text_b, "eng-spa");
    EXPECT_EQ(fields.subject, "Letter to Maria");
    EXPECT_EQ(fields.container_name, files.container_name());
    EXPECT_EQ(fields.start_date, "08/12/2026");
    EXPECT_EQ(fields.recording_quality, "0");

    const fs::path opened = OpenContainer(files);
    const recordstore::DataStore container((opened / files.container_name()).string());
    for (const char* extension : {".xrw", ".xrl", ".xrs", ".xr1", ".xr2"})
        EXPECT_EQ(container.FindMember(files.Name(extension)), recordstore::MemberLookup::kPresent)
            << extension;
    ASSERT_TRUE(container.ExtractMember(files.Name(".xr1"), opened.string()));
    ASSERT_TRUE(container.ExtractMember(files.Name(".xr2"), opened.string()));
    EXPECT_EQ(test::ReadFileText((opened / files.Name(".xr1")).string()), "The dog eats bread.");
    EXPECT_EQ(test::ReadFileText((opened / files.Name(".xr2")).string()), "El perro come pan.");

    // The stored wave is the speech of the translated text at RecQual 0, as
    // long as the engine speaks it.
    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile((opened / files.Name(".xrw")).string(), &wave).ok());
    ASSERT_EQ(wave.info.format.AsPlayablePcm(), wavefile::FormatForQuality(0));
    const std::int64_t wave_ms = wavefile::FramesToMs(static_cast<std::int64_t>(wave.info.frames()),
                                                      wavefile::FormatForQuality(0));
    speech::SpokenSpeech spoken;
    ASSERT_TRUE(
        speech::Synthesize({"El perro come pan.", "", speech::kNormalRateWpm}, &spoken).ok());
    const std::int64_t spoken_ms =
        wavefile::FramesToMs(static_cast<std::int64_t>(spoken.samples.size() / 2), spoken.format);
    EXPECT_NEAR(wave_ms, spoken_ms, 60);
    EXPECT_EQ(fields.duration, recordstore::DurationText(wave_ms));

    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "14");
    EXPECT_NE(entry.keywords.find("perro"), std::string::npos) << entry.keywords;
    EXPECT_NE(entry.keywords.find("letter"), std::string::npos) << entry.keywords;

    // Nothing of the record is left in the working folder.
    EXPECT_FALSE(fs::exists(files.Path(".xr1")));
    EXPECT_FALSE(fs::exists(files.Path(".xr2")));
    EXPECT_FALSE(fs::exists(files.wave_path()));
}

TEST_F(TranslationSaveTest, ResultLanguageSetsTheKind) {
    TranslationDraft draft = Letter();
    draft.result_language = "PORTUGUESE";
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    TranslationSave save(target_, files);
    ASSERT_EQ(save.SaveNew(draft), 0);
    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "16");
}

TEST_F(TranslationSaveTest, EmptyTranslatedTextSavesNothing) {
    TranslationDraft draft = Letter();
    draft.translated_text.clear();
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    TranslationSave save(target_, files);
    EXPECT_EQ(save.SaveNew(draft), 0);
    EXPECT_FALSE(save.stored());
    EXPECT_EQ(fs::file_size(work_ / "Voxwren.xrr"), recordstore::kRecordLineBytes);
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
}

TEST_F(TranslationSaveTest, MissingVoiceGives811AndUsesNoNumber) {
    TranslationDraft draft = Letter();
    draft.voice_name = "No Such Voice";
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(work_);
    TranslationSave save(target_, files);
    EXPECT_EQ(save.SaveNew(draft), kMessageCannotCreateRecording);
    EXPECT_FALSE(save.stored());
    EXPECT_EQ(profile_.Find("anna", "RecID"), std::nullopt);
}

}  // namespace
}  // namespace kivo::translator
