// The translator dialog driven as a user would: no translation installed
// gives message 850; a letter translated to Spanish selects a Spanish voice,
// "&Listen" speaks it to the (virtual) sound card, "&Save" stores it, and
// the player shows both texts beside the recording. Translating and saving
// run in the background while the window keeps answering.
#include "kivo/translator/translator_dialog.h"
#include "kivo/translator/text_to_speech_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/playback/playback_dialog.h"
#include "kivo/playback/playback_session.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "temp_dir.h"

namespace kivo::translator {
namespace {

namespace fs = std::filesystem;

class TranslatorDialogTest : public ::testing::Test {
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
        backend_ = std::make_unique<sound::VirtualAudioBackend>(
            test::ManualOptions("", dir_.file("out.wav")));
    }

    // Selects "English to Spanish"; false when that pair is not installed.
    static bool SelectEnglishToSpanish(TranslatorDialog& dialog) {
        const int index = dialog.language_box()->findText("English to Spanish");
        dialog.language_box()->setCurrentIndex(index);
        return index >= 0;
    }

    // Waits (serving events) until the background work of the dialog ends.
    template <typename Dialog, typename Busy>
    static bool WaitWhile(const Dialog& dialog, Busy busy) {
        return QTest::qWaitFor([&] { return !(dialog.*busy)(); }, 60000);
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    recorder::RecorderTarget target_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
};

TEST_F(TranslatorDialogTest, NoTranslationInstalledGivesMessage850) {
    TranslatorDialog dialog(*backend_, target_, reporter_);
    EXPECT_FALSE(dialog.Start(dir_.path() / "empty"));
    EXPECT_EQ(reporter_.codes(), std::vector<int>{850});
}

TEST_F(TranslatorDialogTest, LetterTranslatedListenedToAndSaved) {
    TranslatorDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    EXPECT_EQ(dialog.focusWidget(), dialog.source_edit());  // typing starts the letter
    if (!SelectEnglishToSpanish(dialog))
        GTEST_SKIP() << "apertium-eng-spa is needed";
    dialog.SetTexts("Dear Maria, the meeting is on Tuesday at ten. The dog eats bread.", "Letter");
    EXPECT_FALSE(dialog.save_button()->isEnabled());
    dialog.Translate();
    // The window answers while the translator runs; Translate is held.
    EXPECT_TRUE(dialog.translating());
    EXPECT_FALSE(dialog.language_box()->isEnabled());
    ASSERT_TRUE(WaitWhile(dialog, &TranslatorDialog::translating));
    EXPECT_TRUE(dialog.language_box()->isEnabled());
    EXPECT_NE(dialog.translated_edit()->toPlainText().indexOf("perro"), -1);
    EXPECT_NE(dialog.voice_box()->currentText().indexOf("Spanish"), -1);
    EXPECT_TRUE(dialog.save_button()->isEnabled());

    dialog.Listen();
    EXPECT_EQ(dialog.listen_button()->text(), "Stop &Listening");
    test::AdvanceAndPump(*backend_, 5000);
    test::PumpEvents();
    EXPECT_EQ(dialog.listen_button()->text(), "&Listen");
    const std::vector<std::uint8_t> played = test::ReadWaveSamples(dir_.file("out.wav"));
    // Speech, not silence, reached the output.
    EXPECT_GT(played.size(), 22050u);
    EXPECT_NE(std::count(played.begin(), played.end(), 0), static_cast<long>(played.size()));

    // KIVO_TRANSLATOR_SCREENSHOT=file.png keeps a picture of the dialog.
    const QByteArray screenshot = qgetenv("KIVO_TRANSLATOR_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        dialog.show();
        QApplication::processEvents();
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(screenshot)));
    }

    dialog.Save();
    EXPECT_TRUE(dialog.saving());
    EXPECT_FALSE(dialog.save_button()->isEnabled());
    dialog.reject();  // Esc while saving: the dialog waits for the save
    EXPECT_TRUE(dialog.saving());
    ASSERT_TRUE(WaitWhile(dialog, &TranslatorDialog::saving));
    EXPECT_TRUE(dialog.saved());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(reporter_.codes().empty());
    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "14");
    EXPECT_NE(entry.keywords.find("perro"), std::string::npos);

    // Played from the list, the record shows both texts beside the player.
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    recordstore::RecordLine line;
    ASSERT_TRUE(
        recordstore::RecordLine::Parse(log.substr(recordstore::kRecordLineBytes), &line).ok());
    playback::PlaybackSession player(*backend_, *store_);
    ASSERT_TRUE(player.Begin({{1, line.Fields().container_name}})) << player.error().toStdString();
    EXPECT_EQ(player.original_text(), dialog.source_edit()->toPlainText());
    EXPECT_EQ(player.translated_text(), dialog.translated_edit()->toPlainText());
    playback::PlaybackDialog shown(player);
    const auto* original = shown.findChild<QPlainTextEdit*>("originalText");
    ASSERT_NE(original, nullptr);
    EXPECT_FALSE(original->parentWidget()->isHidden());
    EXPECT_NE(shown.findChild<QPlainTextEdit*>("translatedText")->toPlainText().indexOf("perro"),
              -1);
}

TEST_F(TranslatorDialogTest, ClosingWhileTranslatingWaitsAndDropsTheResult) {
    auto dialog = std::make_unique<TranslatorDialog>(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog->Start());
    if (!SelectEnglishToSpanish(*dialog))
        GTEST_SKIP() << "apertium-eng-spa is needed";
    dialog->SetTexts("The dog eats bread.", "");
    dialog->Translate();
    ASSERT_TRUE(dialog->translating());
    dialog.reset();  // must neither crash nor leave the busy cursor
    test::PumpEvents();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TranslatorDialogTest, LanguagesWithoutRouteAreShownButCannotBeChosen) {
    TranslatorDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    const int german = dialog.language_box()->findText("English to German (not installed)");
    if (german < 0)
        GTEST_SKIP() << "a German pair is installed";
    const auto* model = dialog.language_box()->model();
    EXPECT_FALSE(model->flags(model->index(german, 0)).testFlag(Qt::ItemIsEnabled));
}

TEST_F(TranslatorDialogTest, TextToSpeechListensAndSavesAMeeting) {
    TextToSpeechDialog dialog(*backend_, target_, reporter_);
    dialog.text_edit()->setPlainText("The budget meeting starts at nine.");
    dialog.subject_edit()->setText("Budget");
    dialog.Listen();
    EXPECT_EQ(dialog.listen_button()->text(), "Stop &Listening");
    test::AdvanceAndPump(*backend_, 5000);
    test::PumpEvents();
    EXPECT_EQ(dialog.listen_button()->text(), "&Listen");
    EXPECT_GT(test::ReadWaveSamples(dir_.file("out.wav")).size(), 22050u);

    dialog.Save(SpokenRecordKind::kMeeting);
    ASSERT_TRUE(WaitWhile(dialog, &TextToSpeechDialog::saving));
    EXPECT_TRUE(dialog.saved());
    recordstore::IndexRecord entry;
    ASSERT_TRUE(recordstore::RecordIndex((work_ / "Voxwren.xri").string()).Get(1, &entry).ok());
    EXPECT_EQ(entry.kind_code, "1");
    EXPECT_NE(entry.keywords.find("budget"), std::string::npos);
}

}  // namespace
}  // namespace kivo::translator
