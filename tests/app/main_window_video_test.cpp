// The window's video commands on the virtual camera: New Recording in the
// Video view opens the "Kivo Video Recorder"; a recording saved there is
// listed in the view, and a double-click plays it in the "Kivo Video Player".
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "app_fixture.h"
#include "kivo/core/user_messages.h"
#include "kivo/video/system_cameras.h"
#include "kivo/video/video_player_dialog.h"
#include "kivo/video/video_recorder_dialog.h"
#include "main_window.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowVideoTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("KIVO_VIDEO", "virtual");
        // Camera and microphone in step: the microphone on the real-time
        // clock (each test runs in a process of its own, so the shared sound
        // card is made after this).
        qputenv("KIVO_AUDIO_CLOCK", "realtime");
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
        window_->ShowKind(ViewKind::kVideo);
    }
    void TearDown() override { qunsetenv("KIVO_VIDEO"); }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowVideoTest, AVideoRecordedInTheVideoViewIsListedAndPlaysInTheVideoPlayer) {
    const int videos_before = window_->records().rowCount();
    std::string recorder_title;
    QTimer::singleShot(0, [&] {
        auto* recorder =
            qobject_cast<video::VideoRecorderDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(recorder, nullptr);
        recorder_title = recorder->windowTitle().toStdString();
        EXPECT_EQ(recorder->video_devices()->currentText(), video::kVirtualCameraName);
        recorder->record_button()->click();
        // Stops after a second and a half of capture, then OK.
        auto* stopper = new QTimer(recorder);
        QObject::connect(stopper, &QTimer::timeout, recorder, [recorder, stopper] {
            if (recorder->session().duration_ms() < 1500)
                return;
            stopper->stop();
            recorder->stop_button()->click();
            recorder->subject_edit()->setText(QStringLiteral("Porch"));
            if (recorder->Save() != 0)
                recorder->close();  // not saved: the test fails below, without hanging
        });
        stopper->start(20);
    });
    window_->commands().action(Command::kNewRecording)->trigger();
    EXPECT_EQ(recorder_title, "Kivo Video Recorder");
    ASSERT_EQ(window_->records().rowCount(), videos_before + 1);

    std::string player_title;
    QTimer::singleShot(0, [&] {
        QWidget* player = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<video::VideoPlayerDialog*>(player), nullptr);
        player_title = player->windowTitle().toStdString();
        player->close();
    });
    const QModelIndex last = window_->records().index(window_->records().rowCount() - 1, 0);
    window_->record_view()->setCurrentIndex(last);
    window_->record_view()->selectRow(last.row());
    emit window_->record_view()->doubleClicked(last);
    EXPECT_EQ(player_title, "Kivo Video Player");
}

}  // namespace
}  // namespace kivo::app
