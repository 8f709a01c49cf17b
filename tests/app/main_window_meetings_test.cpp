// The window's meeting and diary commands: New Recording opens the view's
// recorder, Tools > Diary Monitor runs the diary reminder with its check
// mark, and a meeting or diary take left by an ending program comes back in
// its own recorder at the next start.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

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

// The take journal of the meeting or diary recorder a dialog is.
std::filesystem::path JournalOf(QWidget* dialog) {
    if (auto* meeting = qobject_cast<meeting::MeetingRecorderDialog*>(dialog))
        return meeting->session().recording().JournalPath();
    if (auto* diary = qobject_cast<diary::DiaryRecorderDialog*>(dialog))
        return diary->session().recording().JournalPath();
    return {};
}

bool Lists(const RecordListModel& records, const QString& text) {
    for (int row = 0; row < records.rowCount(); ++row) {
        for (int column = 0; column < records.columnCount(); ++column) {
            if (records.index(row, column).data().toString() == text)
                return true;
        }
    }
    return false;
}

TEST(MainWindowSpanTakeTest, MeetingOrDiaryLeftByAnEndingProgramComesBackInItsRecorder) {
    for (const ViewKind view : {ViewKind::kMeeting, ViewKind::kDiary}) {
        SCOPED_TRACE(view == ViewKind::kMeeting ? "meeting" : "diary");
        test::AppHome home;
        core::RecordingMessageReporter reporter{core::kAnswerYes};
        test::ScriptedChooser chooser;
        auto window =
            std::make_unique<MainWindow>(home.resources(), home.places(), &reporter, &chooser);
        ASSERT_TRUE(window->Start());
        window->ShowKind(view);
        std::filesystem::path journal;
        const auto record_and_end = [&] {
            auto* recorder =
                qobject_cast<recorder::SpanRecorderDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(recorder, nullptr);
            QTest::keyClicks(recorder->subject_edit(), QStringLiteral("Budget review"));
            recorder->keywords_edit()->setPlainText(QStringLiteral("figures spring"));
            QTest::mouseClick(recorder->pickup_button(), Qt::LeftButton);
            recorder->index_comment_box()->setEditText(QStringLiteral("Opening"));
            QTest::mouseClick(recorder->mark_button(), Qt::LeftButton);
            journal = JournalOf(recorder);
            ASSERT_FALSE(journal.empty());
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return std::filesystem::file_size(journal) >= 16000; }));
        };
        QTimer::singleShot(0, [&] {
            record_and_end();
            // What a termination signal does: the window closes under the
            // recorder, nobody is asked.
            window->close();
        });
        window->commands().action(Command::kNewRecording)->trigger();
        ASSERT_FALSE(journal.empty());
        ASSERT_TRUE(std::filesystem::exists(journal));
        EXPECT_TRUE(reporter.reports().empty());
        window.reset();

        // The next start offers the take; Yes opens it in its own recorder,
        // in its own view, whichever view the window shows.
        window = std::make_unique<MainWindow>(home.resources(), home.places(), &reporter, &chooser);
        ASSERT_TRUE(window->Start());
        window->ShowKind(view);
        const int rows_before = window->records().rowCount();
        window->ShowKind(ViewKind::kDictation);
        bool shown = false;
        const auto look_and_save = [&](recorder::SpanRecorderDialog* recorder) {
            EXPECT_EQ(recorder->subject_edit()->text(), QStringLiteral("Budget review"));
            EXPECT_EQ(recorder->keywords_edit()->toPlainText(), QStringLiteral("figures spring"));
            ASSERT_EQ(recorder->marks_list()->topLevelItemCount(), 1);
            EXPECT_EQ(recorder->marks_list()->topLevelItem(0)->text(0), QStringLiteral("Opening"));
            EXPECT_NE(recorder->duration_label()->text(), QStringLiteral("00:00:00"));
            shown = true;
        };
        QTimer::singleShot(0, [&] {
            auto* recorder =
                qobject_cast<recorder::SpanRecorderDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(recorder, nullptr);
            look_and_save(recorder);
            QTest::mouseClick(recorder->ok_button(), Qt::LeftButton);
        });
        window->OfferTakeRecovery();
        EXPECT_TRUE(shown);
        ASSERT_EQ(reporter.reports().size(), 1u);  // the question
        EXPECT_EQ(reporter.reports()[0].style, core::kStyleQuestion);
        EXPECT_EQ(window->view(), view);
        EXPECT_EQ(window->records().rowCount(), rows_before + 1);
        EXPECT_TRUE(Lists(window->records(), QStringLiteral("Budget review")));
        const QModelIndexList chosen = window->record_view()->selectionModel()->selectedRows();
        ASSERT_EQ(chosen.size(), 1);
        EXPECT_EQ(window->records().Id(chosen.front().row()), QStringLiteral("00000001"));
        EXPECT_FALSE(std::filesystem::exists(journal));
        EXPECT_TRUE(std::filesystem::is_empty(journal.parent_path()));
    }
}

}  // namespace
}  // namespace kivo::app
