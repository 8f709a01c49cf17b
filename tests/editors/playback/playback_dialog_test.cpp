// The "Kivo Internal Message Player" window over a session with a stored
// record: its controls reach the session and the session's changes show.
// With KIVO_PLAYBACK_SCREENSHOT set to a file name, the window with its
// "Sound Effects" panel open is also saved there as a picture (run under
// xvfb-run for the documentation's screenshot).
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <memory>

#include "kivo/audio_backend/virtual_audio_backend.h"
#include "kivo/playback/playback_dialog.h"
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
        audio::VirtualAudioBackend::Options options;
        options.clock = audio::VirtualAudioBackend::Clock::kManual;
        backend_ = std::make_unique<audio::VirtualAudioBackend>(options);
        session_ = std::make_unique<PlaybackSession>(*backend_, store_.places());
        ASSERT_TRUE(session_->Begin({store_.item(21)}));
        dialog_ = std::make_unique<PlaybackDialog>(*session_);
    }
    template <typename T>
    T* Find(const char* name) {
        return dialog_->findChild<T*>(QString::fromLatin1(name));
    }

    test::StoredRecordings store_;
    std::unique_ptr<audio::VirtualAudioBackend> backend_;
    std::unique_ptr<PlaybackSession> session_;
    std::unique_ptr<PlaybackDialog> dialog_;
};

TEST_F(PlaybackDialogTest, ShowsTheRecordingAndDrivesTheSession) {
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Kivo Internal Message Player"));
    auto* marks = Find<QTreeWidget>("marksList");
    ASSERT_NE(marks, nullptr);
    ASSERT_EQ(marks->topLevelItemCount(), 2);
    EXPECT_EQ(marks->topLevelItem(1)->text(0), QStringLiteral("Action points"));
    EXPECT_EQ(Find<QLabel>("positionText")->text(), QStringLiteral("00:00:00 / 00:00:05"));
    EXPECT_FALSE(Find<QPushButton>("recordButton")->isEnabled());

    Find<QPushButton>("nextTrackButton")->click();
    EXPECT_EQ(session_->position_ms(), 1000);
    EXPECT_EQ(marks->currentItem(), marks->topLevelItem(0));
    EXPECT_EQ(Find<QLabel>("positionText")->text(), QStringLiteral("00:00:01 / 00:00:05"));

    Find<QLineEdit>("markComment")->setText(QStringLiteral("Budget"));
    Find<QPushButton>("markButton")->click();
    ASSERT_EQ(marks->topLevelItemCount(), 3);
    EXPECT_EQ(marks->topLevelItem(1)->text(0), QStringLiteral("Budget"));

    Find<QSpinBox>("speedSpin")->setValue(150);
    EXPECT_EQ(session_->speed_percent(), 150);

    Find<QPushButton>("startButton")->click();
    EXPECT_TRUE(session_->is_playing());
    EXPECT_FALSE(Find<QPushButton>("startButton")->isEnabled());
    Find<QPushButton>("pauseButton")->click();
    EXPECT_EQ(session_->state(), PlaybackSession::State::kPaused);
}

TEST_F(PlaybackDialogTest, TheEffectsButtonOpensTheSoundEffectsPanel) {
    auto* panel = Find<QGroupBox>("soundEffects");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden());
    Find<QPushButton>("effectsButton")->click();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(panel->title(), QStringLiteral("Sound Effects"));
    EXPECT_TRUE(session_->effects_enabled());
    Find<QPushButton>("effectsButton")->click();
    EXPECT_FALSE(session_->effects_enabled());

    const QByteArray screenshot = qgetenv("KIVO_PLAYBACK_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        Find<QPushButton>("effectsButton")->click();
        session_->NextMark();
        dialog_->show();
        QApplication::processEvents();
        EXPECT_TRUE(dialog_->grab().save(QString::fromLocal8Bit(screenshot)));
    }
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
