// The "Kivo Internal Message Player" window over a session with a stored
// record: its controls reach the session and the session's changes show;
// Record switches the buttons to the recording state; closing with inserted
// audio asks; New closes and asks for a new dictation.
// With KIVO_PLAYBACK_SCREENSHOT set to a file name, the window with its
// "Sound Effects" panel open is also saved there as a picture (run under
// xvfb-run for the documentation's screenshot).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "kivo/playback/playback_dialog.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "playback_fixture.h"

namespace kivo::playback {
namespace {

class PlaybackDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store_.ok());
        store_.AddRecord(21, 40000,
                         {recordstore::MakeIndexMark("00:00:01", "Introduction"),
                          recordstore::MakeIndexMark("00:00:03", "Action points")});
        ASSERT_TRUE(store_.ok());
        sound::VirtualAudioBackend::Options options;
        options.clock = sound::VirtualAudioBackend::Clock::kManual;
        backend_ = std::make_unique<sound::VirtualAudioBackend>(options);
        session_ = std::make_unique<PlaybackSession>(*backend_, store_.session());
        session_->SetMessageReporter(&reporter_);
        ASSERT_TRUE(session_->Begin({store_.item(21)}));
        dialog_ = std::make_unique<PlaybackDialog>(*session_);
    }
    template <typename T>
    T* Find(const char* name) {
        return dialog_->findChild<T*>(QString::fromLatin1(name));
    }

    test::StoredRecordings store_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<PlaybackSession> session_;
    std::unique_ptr<PlaybackDialog> dialog_;
};

TEST_F(PlaybackDialogTest, EnterPressesTheFocusedButtonAndInTheCommentAddsOneMark) {
    dialog_->show();
    const std::size_t marks_before = session_->marks().size();
    auto* comment = Find<QLineEdit>("markComment");
    comment->setFocus();
    QTest::keyClicks(comment, QStringLiteral("typed by keyboard"));
    QTest::keyClick(comment, Qt::Key_Return);
    ASSERT_EQ(session_->marks().size(), marks_before + 1);
    EXPECT_TRUE(comment->text().isEmpty());
    EXPECT_TRUE(dialog_->isVisible());

    auto* effects = Find<QPushButton>("effectsButton");
    effects->setFocus();
    QTest::keyClick(effects, Qt::Key_Enter);
    EXPECT_TRUE(effects->isChecked());
    // Enter on the list presses nothing.
    Find<QTreeWidget>("marksList")->setFocus();
    QTest::keyClick(Find<QTreeWidget>("marksList"), Qt::Key_Return);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(session_->marks().size(), marks_before + 1);
}

TEST_F(PlaybackDialogTest, ShowsTheRecordingAndDrivesTheSession) {
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Kivo Internal Message Player"));
    auto* marks = Find<QTreeWidget>("marksList");
    ASSERT_NE(marks, nullptr);
    ASSERT_EQ(marks->topLevelItemCount(), 2);
    EXPECT_EQ(marks->topLevelItem(1)->text(0), QStringLiteral("Action points"));
    EXPECT_EQ(Find<QLabel>("positionText")->text(), QStringLiteral("00:00:00 / 00:00:05"));
    EXPECT_TRUE(Find<QPushButton>("recordButton")->isEnabled());
    EXPECT_EQ(Find<QProgressBar>("levelBar")->value(), 0);

    Find<QPushButton>("nextTrackButton")->click();
    EXPECT_EQ(session_->position_ms(), 1000);
    EXPECT_EQ(marks->currentItem(), marks->topLevelItem(0));
    EXPECT_EQ(Find<QLabel>("positionText")->text(), QStringLiteral("00:00:01 / 00:00:05"));
    EXPECT_EQ(Find<QProgressBar>("levelBar")->value(), 20);

    Find<QLineEdit>("markComment")->setText(QStringLiteral("Budget"));
    Find<QPushButton>("markButton")->click();
    ASSERT_EQ(marks->topLevelItemCount(), 3);
    EXPECT_EQ(marks->topLevelItem(1)->text(0), QStringLiteral("Budget"));

    Find<QSpinBox>("speedSpin")->setValue(150);
    EXPECT_EQ(session_->speed_percent(), 150);
    EXPECT_EQ(Find<QProgressBar>("speedLevel")->value(), (150 - 49) * 100 / (201 - 49));

    EXPECT_TRUE(Find<QLabel>("clockText")->text().isEmpty());
    Find<QPushButton>("startButton")->click();
    EXPECT_TRUE(session_->is_playing());
    EXPECT_EQ(Find<QLabel>("clockText")->text(), session_->play_clock_time());
    EXPECT_EQ(Find<QLabel>("dateText")->text().size(), 10);
    EXPECT_FALSE(Find<QPushButton>("startButton")->isEnabled());
    Find<QPushButton>("pauseButton")->click();
    EXPECT_EQ(session_->state(), PlaybackSession::State::kPaused);
}

TEST_F(PlaybackDialogTest, LabelsSayWhenTheRecordingWasMadeAndWhatEachBarShows) {
    // "Started:" is the recording's own start, known before anything plays.
    const QString recorded = Find<QLabel>("recordedText")->text();
    EXPECT_EQ(recorded, QStringLiteral("01/02/2024 10:00"));  // the stored record's line
    Find<QPushButton>("startButton")->click();
    EXPECT_EQ(Find<QLabel>("recordedText")->text(), recorded);

    // The speed bar reads the speed; every level bar has a caption.
    auto* speed = Find<QProgressBar>("speedLevel");
    EXPECT_EQ(speed->text(), QStringLiteral("100 %"));
    Find<QSpinBox>("speedSpin")->setValue(80);
    EXPECT_EQ(speed->text(), QStringLiteral("80 %"));
    for (QProgressBar* bar : dialog_->findChildren<QProgressBar*>())
        EXPECT_FALSE(bar->accessibleName().isEmpty()) << bar->objectName().toStdString();

    // A user's mark is called so in the Type column.
    EXPECT_EQ(Find<QTreeWidget>("marksList")->topLevelItem(0)->text(2), QStringLiteral("Mark"));
}

TEST_F(PlaybackDialogTest, TheEffectsButtonOpensTheSoundEffectsPanel) {
    auto* panel = Find<QGroupBox>("soundEffects");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden());
    Find<QPushButton>("effectsButton")->click();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(panel->title(), QStringLiteral("Sound Effects"));
    EXPECT_TRUE(session_->effects_enabled());
    EXPECT_FALSE(Find<QPushButton>("recordButton")->isEnabled());  // no inserting with effects

    // Each effect's level bar follows its slider.
    auto* echo = panel->findChildren<QSlider*>().value(0);
    ASSERT_NE(echo, nullptr);
    echo->setValue(9);
    EXPECT_EQ(Find<QProgressBar>("levelEcho")->value(), 9);
    auto* reverse = Find<QCheckBox>("reverseBox");
    ASSERT_NE(reverse, nullptr);
    if (PlaybackSession::ReverseAvailable()) {
        reverse->setChecked(true);
        EXPECT_TRUE(session_->playing_reversed());
        reverse->setChecked(false);
    }

    Find<QPushButton>("effectsButton")->click();
    EXPECT_FALSE(session_->effects_enabled());
    EXPECT_TRUE(Find<QPushButton>("recordButton")->isEnabled());

    const QByteArray screenshot = qgetenv("KIVO_PLAYBACK_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        Find<QPushButton>("effectsButton")->click();
        session_->NextMark();
        dialog_->show();
        QApplication::processEvents();
        EXPECT_TRUE(dialog_->grab().save(QString::fromLocal8Bit(screenshot)));
    }
}

TEST_F(PlaybackDialogTest, RecordShowsTheRecordingStateAndCancelAsksBeforeDroppingIt) {
    dialog_->show();
    Find<QPushButton>("nextTrackButton")->click();
    Find<QPushButton>("recordButton")->click();
    ASSERT_TRUE(session_->is_inserting());
    for (const char* name : {"startButton", "recordButton", "effectsButton", "nextTrackButton",
                             "markButton", "newButton"})
        EXPECT_FALSE(Find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(Find<QPushButton>("stopButton")->isEnabled());
    auto* marks = Find<QTreeWidget>("marksList");
    EXPECT_EQ(marks->topLevelItem(0)->text(0), QStringLiteral("insert start"));
    EXPECT_EQ(marks->topLevelItem(0)->text(2), QStringLiteral("Insert start"));

    backend_->Advance(1000);
    Find<QPushButton>("stopButton")->click();
    EXPECT_FALSE(session_->is_inserting());
    EXPECT_TRUE(Find<QPushButton>("startButton")->isEnabled());
    EXPECT_EQ(marks->topLevelItem(1)->text(0), QStringLiteral("insert end"));
    EXPECT_EQ(marks->topLevelItem(1)->text(2), QStringLiteral("Insert end"));
    EXPECT_EQ(Find<QLabel>("positionText")->text(), QStringLiteral("00:00:02 / 00:00:06"));

    Find<QPushButton>("cancelButton")->click();  // answered No: discarded, closed
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_FALSE(session_->has_unsaved_audio());
}

TEST_F(PlaybackDialogTest, NewClosesThePlayerAndAsksForANewDictation) {
    int requests = 0;
    QObject::connect(dialog_.get(), &PlaybackDialog::newRecordingRequested, [&] { ++requests; });
    dialog_->show();
    Find<QPushButton>("newButton")->click();
    EXPECT_EQ(requests, 1);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace kivo::playback

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
