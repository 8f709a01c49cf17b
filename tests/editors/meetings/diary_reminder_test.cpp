// The diary reminder with an injected wall clock over a real data store:
// when entries fire, snooze and "Nag Me", a change of date, deleted and
// other days' entries, a missing log, and that a fired entry never fires
// again, not even after a restart.
#include "kivo/diary/diary_reminder.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <fstream>

#include "span_store_fixture.h"

namespace kivo::diary {
namespace {

namespace fs = std::filesystem;

class DiaryReminderTest : public test::SpanStoreTest {
protected:
    void SetUp() override {
        SpanStoreTest::SetUp();
        now_at_ = QDateTime(QDate(2026, 12, 7), QTime(10, 0));
    }

    // Appends a diary entry's line to the working folder's diary log.
    std::string AddEntry(const std::string& date, const std::string& time, const char* setting) {
        recordstore::RecordFields fields;
        fields.record_number = ++last_number_;
        fields.kind_code = recordstore::kind_code::kDiary;
        fields.text_a = date;
        fields.text_b = time;
        fields.subject = "Entry " + std::to_string(last_number_);
        fields.container_name = "D2026120710000000" + std::to_string(last_number_) + ".xrz";
        fields.start_date = "07/12/2026";
        fields.start_time = "09:00:00";
        fields.end_date = "07/12/2026";
        fields.end_time = "09:00:10";
        fields.duration = "00:00:10";
        fields.kind_number = setting;
        const recordstore::RecordLineBuild built = recordstore::RecordLine::Build(fields);
        EXPECT_TRUE(built.status.ok());
        std::ofstream(work_ / "Voxwren.xrd", std::ios::binary | std::ios::app) << built.bytes;
        return fields.container_name;
    }

    // Overwrites the log's line of a record as deletion does.
    void EraseEntry(int line_number) {
        std::fstream log(work_ / "Voxwren.xrd", std::ios::binary | std::ios::in | std::ios::out);
        log.seekp(static_cast<std::streamoff>(line_number) * 401);
        log << "99999999";
    }

    std::unique_ptr<DiaryReminder> MakeReminder() {
        return std::make_unique<DiaryReminder>(*store_, reporter_, [this] { return now_at_; });
    }

    void At(int hour, int minute, int second = 0) { now_at_.setTime(QTime(hour, minute, second)); }

    QDateTime now_at_;
    int last_number_ = 0;
};

DueReminder Due(const QSignalSpy& spy, int at) {
    return spy.at(at).at(0).value<DueReminder>();
}

TEST_F(DiaryReminderTest, EntryFiresAtItsTimeAndNotBeforeAndOnlyOnce) {
    const std::string container = AddEntry("7/12/2026", "10:30", "1");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 29, 30);
    reminder->Start();
    EXPECT_TRUE(reminder->running());
    EXPECT_EQ(due.count(), 0);
    // It sleeps until the entry's time, not in a loop.
    EXPECT_EQ(reminder->scheduled_check_ms(), 30 * 1000);

    At(10, 30);
    reminder->Check();
    ASSERT_EQ(due.count(), 1);
    EXPECT_EQ(Due(due, 0).container_name, container);
    EXPECT_FALSE(Due(due, 0).nag_me);
    reminder->Dismiss(Due(due, 0).id);
    At(10, 45);
    reminder->Check();
    reminder->Check();
    EXPECT_EQ(due.count(), 1);

    // The fired entry is saved back as "no reminder", so a restart does not
    // fire it again.
    const std::vector<recordstore::RecordLine> lines = LogLines("Voxwren.xrd");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Fields().kind_number, "0");
    auto restarted = MakeReminder();
    QSignalSpy due_after_restart(restarted.get(), &DiaryReminder::due);
    restarted->Start();
    EXPECT_EQ(due_after_restart.count(), 0);
}

TEST_F(DiaryReminderTest, SnoozeFiresAgainAfterTheSnoozeTime) {
    AddEntry("7/12/2026", "10:30", "1");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 30, 5);
    reminder->Start();
    ASSERT_EQ(due.count(), 1);
    reminder->Snooze(Due(due, 0).id, 10);
    At(10, 39, 59);
    reminder->Check();
    EXPECT_EQ(due.count(), 1);
    At(10, 40, 5);
    reminder->Check();
    EXPECT_EQ(due.count(), 2);
}

TEST_F(DiaryReminderTest, NagMeRepeatsAMinuteAfterThePlayEndedUntilDismissed) {
    AddEntry("7/12/2026", "10:30", "2");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 30);
    reminder->Start();
    ASSERT_EQ(due.count(), 1);
    EXPECT_TRUE(Due(due, 0).nag_me);
    reminder->PlayedWithNagMe(Due(due, 0).id);
    EXPECT_EQ(due.count(), 1);
    At(10, 31);
    reminder->Check();
    ASSERT_EQ(due.count(), 2);
    EXPECT_TRUE(Due(due, 1).nag_me);
    reminder->Dismiss(Due(due, 1).id);
    At(10, 40);
    reminder->Check();
    EXPECT_EQ(due.count(), 2);
}

TEST_F(DiaryReminderTest, NagMeGoesOnNaggingAfterARestartUntilDismissed) {
    AddEntry("7/12/2026", "10:30", "2");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 30);
    reminder->Start();
    ASSERT_EQ(due.count(), 1);
    reminder->PlayedWithNagMe(Due(due, 0).id);
    // The line keeps "Nag Me" while it nags.
    EXPECT_EQ(LogLines("Voxwren.xrd")[0].Fields().kind_number, "2");

    // The program ends while the entry nags and starts again later that day.
    reminder.reset();
    At(11, 15);
    auto restarted = MakeReminder();
    QSignalSpy due_after_restart(restarted.get(), &DiaryReminder::due);
    restarted->Start();
    ASSERT_EQ(due_after_restart.count(), 1);
    EXPECT_TRUE(Due(due_after_restart, 0).nag_me);
    restarted->PlayedWithNagMe(Due(due_after_restart, 0).id);
    At(11, 16);
    restarted->Check();
    ASSERT_EQ(due_after_restart.count(), 2);

    // Dismissed, it is saved as "no reminder" and a further restart is quiet.
    restarted->Dismiss(Due(due_after_restart, 1).id);
    EXPECT_EQ(LogLines("Voxwren.xrd")[0].Fields().kind_number, "0");
    restarted.reset();
    At(11, 30);
    auto quiet = MakeReminder();
    QSignalSpy due_when_dismissed(quiet.get(), &DiaryReminder::due);
    quiet->Start();
    EXPECT_EQ(due_when_dismissed.count(), 0);
}

TEST_F(DiaryReminderTest, RemindOnceEntryTurnedToNagMeInTheWindowNagsAfterARestart) {
    AddEntry("7/12/2026", "10:30", "1");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 30);
    reminder->Start();
    ASSERT_EQ(due.count(), 1);
    EXPECT_EQ(LogLines("Voxwren.xrd")[0].Fields().kind_number, "0");
    // "Nag Me" ticked in the window as the play ended.
    reminder->PlayedWithNagMe(Due(due, 0).id);
    EXPECT_EQ(LogLines("Voxwren.xrd")[0].Fields().kind_number, "2");
    reminder.reset();
    At(12, 0);
    auto restarted = MakeReminder();
    QSignalSpy due_after_restart(restarted.get(), &DiaryReminder::due);
    restarted->Start();
    EXPECT_EQ(due_after_restart.count(), 1);
}

TEST_F(DiaryReminderTest, TomorrowsEntryWaitsForTheDateChangeThatReloadsTheTable) {
    AddEntry("8/12/2026", "09:00", "1");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(9, 30);
    reminder->Start();
    EXPECT_TRUE(reminder->entries().empty());
    At(23, 59, 50);
    reminder->Check();
    EXPECT_EQ(reminder->scheduled_check_ms(), 10 * 1000);  // wakes at midnight
    EXPECT_EQ(due.count(), 0);

    now_at_ = QDateTime(QDate(2026, 12, 8), QTime(8, 59));
    reminder->Check();
    EXPECT_EQ(reminder->entries().size(), 1u);
    EXPECT_EQ(due.count(), 0);
    At(9, 0);
    reminder->Check();
    EXPECT_EQ(due.count(), 1);
}

TEST_F(DiaryReminderTest, DeletedEntryAndEntriesWithoutReminderDoNotFire) {
    AddEntry("7/12/2026", "10:30", "1");
    AddEntry("7/12/2026", "10:30", "0");
    AddEntry("7/12/2026", "10:30", "");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 0);
    reminder->Start();
    EraseEntry(1);
    At(10, 30);
    reminder->Check();
    EXPECT_EQ(due.count(), 0);
}

TEST_F(DiaryReminderTest, EntriesDueTogetherAreShownOneAfterTheOther) {
    const std::string first = AddEntry("7/12/2026", "10:30", "1");
    const std::string second = AddEntry("7/12/2026", "10:15", "1");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 30);
    reminder->Start();
    ASSERT_EQ(due.count(), 1);
    EXPECT_EQ(Due(due, 0).container_name, first);
    reminder->Check();
    EXPECT_EQ(due.count(), 1);  // the first is still shown
    reminder->Dismiss(Due(due, 0).id);
    ASSERT_EQ(due.count(), 2);
    EXPECT_EQ(Due(due, 1).container_name, second);
}

TEST_F(DiaryReminderTest, MissingDiaryLogIsReportedOnce) {
    fs::remove(work_ / "Voxwren.xrd");
    auto reminder = MakeReminder();
    At(10, 0);
    reminder->Start();
    reminder->Check();
    At(11, 0);
    reminder->Check();
    EXPECT_EQ(reporter_.codes(), std::vector<int>{131});
    EXPECT_TRUE(reminder->entries().empty());
}

TEST_F(DiaryReminderTest, LogLostByTheDateChangeIsReportedOnceAndStopsTheReminder) {
    auto reminder = MakeReminder();
    At(23, 59);
    reminder->Start();
    ASSERT_TRUE(reporter_.codes().empty());
    fs::remove(work_ / "Voxwren.xrd");
    now_at_ = QDateTime(QDate(2026, 12, 8), QTime(0, 0, 5));
    reminder->Check();
    reminder->Check();
    EXPECT_EQ(reporter_.codes(), std::vector<int>{131});
    EXPECT_EQ(reporter_.reports().front().style, core::kStyleExclamation);
    EXPECT_FALSE(reminder->running());
}

TEST_F(DiaryReminderTest, AppendedEntryJoinsOnlyWhenItIsForToday) {
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    At(10, 0);
    reminder->Start();
    const std::string today = AddEntry("7/12/2026", "10:05", "1");
    const std::string tomorrow = AddEntry("8/12/2026", "10:05", "1");
    reminder->Append({"10:05", today, ReminderSetting::kOnce, "7/12/2026", "today"});
    reminder->Append({"10:05", tomorrow, ReminderSetting::kOnce, "8/12/2026", "tomorrow"});
    EXPECT_EQ(reminder->entries().size(), 1u);
    At(10, 5);
    reminder->Check();
    ASSERT_EQ(due.count(), 1);
    EXPECT_EQ(Due(due, 0).container_name, today);
}

TEST_F(DiaryReminderTest, StoppedReminderFiresNothing) {
    AddEntry("7/12/2026", "10:30", "1");
    auto reminder = MakeReminder();
    QSignalSpy due(reminder.get(), &DiaryReminder::due);
    QSignalSpy running(reminder.get(), &DiaryReminder::runningChanged);
    At(10, 0);
    reminder->Start();
    reminder->Stop();
    At(10, 30);
    reminder->Check();
    EXPECT_EQ(due.count(), 0);
    EXPECT_EQ(reminder->scheduled_check_ms(), -1);
    EXPECT_EQ(running.count(), 2);
}

}  // namespace
}  // namespace kivo::diary
