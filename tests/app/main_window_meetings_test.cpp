// The window's meeting and diary commands: New Recording opens the view's
// recorder, and Tools > Diary Monitor runs the diary reminder with its
// check mark.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>

#include "app_fixture.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/diary/diary_recorder_dialog.h"
#include "kivo/diary/diary_reminder.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "main_window.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowMeetingsTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }

    // The class of the modal dialog New Recording opens in a view (closed
    // again at once, nothing recorded).
    std::string RecorderOfView(ViewKind view) {
        window_->ShowKind(view);
        std::string opened;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr)
                return;
            opened = dialog->windowTitle().toStdString();
            dialog->close();
        });
        window_->commands().action(Command::kNewRecording)->trigger();
        return opened;
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowMeetingsTest, NewRecordingOpensTheRecorderOfTheView) {
    EXPECT_EQ(RecorderOfView(ViewKind::kMeeting), "Meeting Recorder");
    EXPECT_EQ(RecorderOfView(ViewKind::kDiary), "Diary Recorder");
    EXPECT_EQ(RecorderOfView(ViewKind::kDictation), "Dictation Recorder");
}

TEST_F(MainWindowMeetingsTest, DiaryMonitorTogglesTheReminderAndItsCheckMark) {
    QAction* monitor = window_->commands().action(Command::kDiaryMonitor);
    ASSERT_TRUE(monitor->isEnabled());
    monitor->trigger();
    auto* reminder = window_->findChild<diary::DiaryReminder*>();
    ASSERT_NE(reminder, nullptr);
    EXPECT_TRUE(reminder->running());
    EXPECT_TRUE(monitor->isChecked());
    EXPECT_GT(reminder->scheduled_check_ms(), 0);
    monitor->trigger();
    EXPECT_FALSE(reminder->running());
    EXPECT_FALSE(monitor->isChecked());
    EXPECT_TRUE(reporter_.codes().empty());
}

TEST(MainWindowStartupTest, DiaryReminderRunsFromStartUpWhenADiaryIsY) {
    test::AppHome home;
    core::RecordingMessageReporter reporter{core::kAnswerNo};
    test::ScriptedChooser chooser;
    {
        MainWindow first(home.resources(), home.places(), &reporter, &chooser);
        ASSERT_TRUE(first.Start());
    }
    ASSERT_TRUE(core::ProfileFile(home.profile_path().string()).Write("tester", "ADiary", "Y"));
    MainWindow window(home.resources(), home.places(), &reporter, &chooser);
    ASSERT_TRUE(window.Start());
    QApplication::processEvents();
    auto* reminder = window.findChild<diary::DiaryReminder*>();
    ASSERT_NE(reminder, nullptr);
    EXPECT_TRUE(reminder->running());
    EXPECT_TRUE(window.commands().action(Command::kDiaryMonitor)->isChecked());
}

}  // namespace
}  // namespace kivo::app
