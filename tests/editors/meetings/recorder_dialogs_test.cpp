// The meeting and diary recorders' dialogs driven by clicks on the
// offscreen platform, and the reminder window playing a saved entry.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <optional>

#include "kivo/diary/diary_recorder_dialog.h"
#include "kivo/diary/reminder_window.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "kivo/meeting/times_and_costs_dialog.h"
#include "kivo/recorder/take_journal.h"
#include "span_store_fixture.h"

namespace kivo {
namespace {

using RecorderDialogsTest = test::SpanStoreTest;

// With KIVO_SCREENSHOTS set to a folder, keeps a picture of the widget
// there (the documentation's screenshots are made this way).
void KeepScreenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("KIVO_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    widget.show();
    QTest::qWait(2 * recorder::kSpanRefreshInterval_ms);
    widget.grab().save(folder + QLatin1Char('/') + QLatin1String(name));
}

void Click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

TEST_F(RecorderDialogsTest, MeetingDialogRecordsAgainstItsAgendaAndRaisesTheOverRunBoxOnce) {
    SetTimeOfDay(10, 0, 0);
    profile_.Write("anna", "MeetCost", "60");
    profile_.Write("anna", "HighLight", "Y");
    meeting::MeetingRecorderDialog dialog(*backend_, target_, reporter_);
    int boxes = 0;
    dialog.ask_remind_minutes = [&boxes] {
        ++boxes;
        return 0;
    };
    ASSERT_TRUE(dialog.Start({"Board meeting", {{1, "Budget"}, {1, "Staff"}, {1, "Other"}}}));
    dialog.session().ApplyTimesAndCosts({"10:00", "10:01", 60.0, "$"});
    EXPECT_EQ(dialog.subject_edit()->text(), "Board meeting");
    EXPECT_EQ(dialog.agenda_tree()->topLevelItemCount(), 3);
    EXPECT_FALSE(dialog.ok_button()->isEnabled());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    Click(dialog.pickup_button());
    EXPECT_FALSE(dialog.cancel_button()->isEnabled());
    for (int second = 0; second < 90; ++second) {
        test::AdvanceAndPump(*backend_, 1000, 100);
        AdvanceClock(1);
        QTest::qWait(0);
        dialog.session().Refresh();
        if (second == 10) {
            QTreeWidgetItem* staff = dialog.agenda_tree()->topLevelItem(1);
            QTest::mouseClick(dialog.agenda_tree()->viewport(), Qt::LeftButton, {},
                              dialog.agenda_tree()->visualItemRect(staff).center());
        }
        if (second == 20) {  // by keyboard: the arrows, then Space
            dialog.agenda_tree()->setCurrentItem(dialog.agenda_tree()->topLevelItem(2));
            QTest::keyClick(dialog.agenda_tree(), Qt::Key_Space);
        }
    }
    EXPECT_EQ(boxes, 1);
    dialog.keywords_edit()->setPlainText("budget staff");
    KeepScreenshot(dialog, "meeting-recorder.png");
    Click(dialog.stop_button());
    EXPECT_EQ(dialog.duration_label()->text(), "00:01:30");
    EXPECT_EQ(dialog.cost_label()->text(), "$1.50");
    EXPECT_TRUE(dialog.time_left_label()->text().startsWith('-'));
    ASSERT_EQ(dialog.marks_list()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.marks_list()->topLevelItem(0)->text(0), "Staff");
    EXPECT_EQ(dialog.marks_list()->topLevelItem(1)->text(0), "Other");

    Click(dialog.ok_button());
    EXPECT_TRUE(dialog.saved());
    EXPECT_EQ(dialog.record_id_label()->text(), "00000001");
    EXPECT_EQ(LogLines("Voxwren.xrm").size(), 1u);
}

TEST_F(RecorderDialogsTest, TimesAndCostsFollowTheStartAndRefuseAnEndBeforeIt) {
    meeting::TimesAndCostsDialog settings({"", "", 40.0, "$"});
    settings.start_box()->setEditText("09:00");
    EXPECT_EQ(settings.end_box()->currentText(), "09:30");
    EXPECT_EQ(settings.duration_label()->text(), "0:30");
    EXPECT_EQ(settings.total_label()->text(), "20.00");
    settings.end_box()->setEditText("08:00");
    EXPECT_EQ(settings.duration_label()->text(),
              "The meeting cannot end before it is due to start");
    settings.end_box()->setEditText("11:15");
    EXPECT_EQ(settings.settings().planned_end, "11:15");
    EXPECT_EQ(settings.settings().cost_per_hour, 40.0);
}

TEST_F(RecorderDialogsTest, DiaryDialogSavesTheChosenDayTimeAndReminder) {
    SetTimeOfDay(8, 15, 0);
    diary::DiaryRecorderDialog dialog(*backend_, target_, reporter_, nullptr);
    ASSERT_TRUE(dialog.Start());
    EXPECT_EQ(dialog.time_edit()->time(), QTime(8, 15));
    Click(dialog.pickup_button());
    test::AdvanceAndPump(*backend_, 2000);
    Click(dialog.stop_button());
    dialog.calendar()->setSelectedDate(QDate(2026, 3, 1));
    dialog.time_edit()->setTime(QTime(17, 45));
    dialog.auto_reminder_box()->setChecked(true);
    dialog.subject_edit()->setText("Dentist");
    KeepScreenshot(dialog, "diary-recorder.png");
    Click(dialog.ok_button());
    ASSERT_TRUE(dialog.saved());
    const std::vector<recordstore::RecordLine> lines = LogLines("Voxwren.xrd");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Fields().text_a, "1/3/2026");
    EXPECT_EQ(lines[0].Fields().text_b, "17:45");
    EXPECT_EQ(lines[0].Fields().kind_number, "1");
    EXPECT_EQ(lines[0].Fields().subject, "Dentist");
}

// Keywords are typed while a meeting goes on; a crash must not take them
// with it, so they reach the take's description within about a second,
// without OK or a close. A typed index comment is used by one mark: the
// field is empty for the next.
TEST_F(RecorderDialogsTest, TypingWhileRecordingReachesTheTakeAndEachCommentMarksOnce) {
    diary::DiaryRecorderDialog dialog(*backend_, target_, reporter_, nullptr);
    ASSERT_TRUE(dialog.Start());
    Click(dialog.pickup_button());
    test::AdvanceAndPump(*backend_, 1000);
    QTest::keyClicks(dialog.keywords_edit(), QStringLiteral("molar crown"));
    const std::filesystem::path journal = dialog.session().recording().JournalPath();
    ASSERT_FALSE(journal.empty());
    std::filesystem::path description = journal;
    description.replace_extension(recorder::kTakeInfoExtension);
    std::optional<recorder::TakeInfo> info;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            info = recorder::ParseTakeInfo(test::ReadFileText(description.string()));
            return info && info->details.keywords == "molar crown";
        },
        3 * recorder::kJournalSyncInterval_ms));
    dialog.index_comment_box()->setEditText(QStringLiteral("Crown fitted"));
    Click(dialog.mark_button());
    EXPECT_EQ(dialog.index_comment_box()->currentText(), QString());
    ASSERT_EQ(dialog.session().recording().marks().size(), 1u);
    EXPECT_EQ(dialog.session().recording().marks()[0].comment, "Crown fitted");
    Click(dialog.stop_button());
}

TEST_F(RecorderDialogsTest, ReminderWindowPlaysTheEntryAndNagsWhenThePlayEnds) {
    diary::DiarySession entry(*backend_, target_, reporter_, nullptr);
    ASSERT_EQ(entry.Open(), 0);
    ASSERT_EQ(entry.recording().Pickup(), 0);
    test::AdvanceAndPump(*backend_, 1000);
    entry.recording().Stop();
    ASSERT_EQ(entry.Save(), 0);
    const std::string container = entry.recording().files().container_name();

    diary::ReminderWindow window(*backend_, work_, store_->store_path(), {0, container, true, "x"},
                                 "Dentist");
    EXPECT_TRUE(window.nag_me_box()->isChecked());
    KeepScreenshot(window, "reminder.png");
    ASSERT_TRUE(window.PlayRecording());
    EXPECT_TRUE(window.playing());
    test::AdvanceAndPump(*backend_, 1500);
    EXPECT_EQ(window.answer(), diary::ReminderAnswer::kNagAgain);

    diary::ReminderWindow snoozed(*backend_, work_, store_->store_path(),
                                  {0, container, false, "x"}, "Dentist");
    ASSERT_TRUE(snoozed.PlayRecording());
    snoozed.snooze_box()->setValue(25);
    Click(snoozed.snooze_button());
    EXPECT_EQ(snoozed.answer(), diary::ReminderAnswer::kSnoozed);
    EXPECT_EQ(snoozed.snooze_minutes(), 25);
}

}  // namespace
}  // namespace kivo
