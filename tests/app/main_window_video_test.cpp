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
#include "command_router.h"
#include "command_table.h"
#include "kivo/core/user_messages.h"
#include "kivo/records/record_edit_dialog.h"
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

    // New Recording in the Video view: a second and a half on the virtual
    // camera saved as `subject`; the recorder's title.
    std::string RecordVideo(const QString& subject) {
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
            QObject::connect(stopper, &QTimer::timeout, recorder, [recorder, stopper, subject] {
                if (recorder->session().duration_ms() < 1500)
                    return;
                stopper->stop();
                recorder->stop_button()->click();
                recorder->subject_edit()->setText(subject);
                if (recorder->Save() != 0)
                    recorder->close();  // not saved: the test fails below, without hanging
            });
            stopper->start(20);
        });
        window_->commands().action(Command::kNewRecording)->trigger();
        return recorder_title;
    }
    void SelectLastRow() {
        const QModelIndex last = window_->records().index(window_->records().rowCount() - 1, 0);
        window_->record_view()->setCurrentIndex(last);
        window_->record_view()->selectRow(last.row());
    }
};

TEST_F(MainWindowVideoTest, AVideoRecordedInTheVideoViewIsListedAndPlaysInTheVideoPlayer) {
    const int videos_before = window_->records().rowCount();
    EXPECT_EQ(RecordVideo(QStringLiteral("Porch")), "Kivo Video Recorder");
    ASSERT_EQ(window_->records().rowCount(), videos_before + 1);

    std::string player_title;
    QTimer::singleShot(0, [&] {
        QWidget* player = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<video::VideoPlayerDialog*>(player), nullptr);
        player_title = player->windowTitle().toStdString();
        player->close();
    });
    SelectLastRow();
    emit window_->record_view()->doubleClicked(window_->record_view()->currentIndex());
    EXPECT_EQ(player_title, "Kivo Video Player");
}

TEST_F(MainWindowVideoTest, ASelectedVideoExportsAsAKivoVideoFileOrWmvButNotAsSound) {
    RecordVideo(QStringLiteral("Porch"));
    ASSERT_GT(window_->records().rowCount(), 0);
    SelectLastRow();
    CommandRouter& commands = window_->commands();
    EXPECT_TRUE(commands.action(Command::kExportKivoRecording)->isEnabled());
    EXPECT_TRUE(commands.action(Command::kExportWmv)->isEnabled());
    for (Command sound :
         {Command::kExportWav, Command::kExportMp3, Command::kExportWma, Command::kExportOgg})
        EXPECT_FALSE(commands.action(sound)->isEnabled()) << static_cast<int>(sound);
}

TEST_F(MainWindowVideoTest, EditOnARecordedVideoOpensTheVideoEditorAndChangesItsSubject) {
    RecordVideo(QStringLiteral("Porch"));
    ASSERT_GT(window_->records().rowCount(), 0);
    SelectLastRow();
    std::string editor_title;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<records::RecordEditDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        editor_title = editor->windowTitle().toStdString();
        auto* subject = editor->findChild<QLineEdit*>(QStringLiteral("subject"));
        ASSERT_NE(subject, nullptr);
        EXPECT_EQ(subject->text(), QStringLiteral("Porch"));
        subject->setText(QStringLiteral("Back porch"));
        for (QPushButton* button : editor->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("&OK"))
                button->click();
        }
    });
    window_->commands().action(Command::kEdit)->trigger();
    EXPECT_EQ(editor_title, "Video Editor");
    bool shown = false;
    const int last = window_->records().rowCount() - 1;
    for (int column = 0; column < window_->records().columnCount(); ++column)
        shown = shown || window_->records().index(last, column).data().toString() ==
                             QStringLiteral("Back porch");
    EXPECT_TRUE(shown);
    EXPECT_TRUE(reporter_.codes().empty());
}

}  // namespace
}  // namespace kivo::app
