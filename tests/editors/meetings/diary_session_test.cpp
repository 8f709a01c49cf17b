// The diary recorder over the virtual microphone: the saved diary record
// (day, time, reminder setting) and what joins the running reminder.
#include "kivo/diary/diary_session.h"

#include <gtest/gtest.h>

#include "kivo/diary/diary_reminder.h"
#include "span_store_fixture.h"

namespace kivo::diary {
namespace {

class DiarySessionTest : public test::SpanStoreTest {
protected:
    void OpenDiary(DiaryReminder* reminder = nullptr) {
        session_ = std::make_unique<DiarySession>(*backend_, target_, reporter_, reminder);
        ASSERT_EQ(session_->Open(), 0);
    }
    void Record(int ms) {
        ASSERT_EQ(session_->recording().Pickup(), 0);
        test::AdvanceAndPump(*backend_, ms);
        session_->recording().Stop();
    }
    std::unique_ptr<DiarySession> session_;
};

TEST_F(DiarySessionTest, SavedEntryKeepsItsDayTimeAndReminderInTheDiaryLog) {
    SetTimeOfDay(9, 41, 12);
    OpenDiary();
    EXPECT_EQ(session_->time_text(), "09:41");
    EXPECT_EQ(session_->date_text(), "7/12/2026");
    EXPECT_FALSE(session_->auto_reminder());  // "ADiary" is not "Y"
    Record(1500);
    session_->set_date(2026, 3, 1);
    session_->set_time(14, 5);
    session_->set_auto_reminder(true);
    session_->set_nag_me(true);
    session_->recording().set_subject("Call the plumber");
    ASSERT_EQ(session_->Save(), 0);

    const std::vector<recordstore::RecordLine> lines = LogLines("Voxwren.xrd");
    ASSERT_EQ(lines.size(), 1u);
    const recordstore::RecordFields fields = lines[0].Fields();
    EXPECT_EQ(fields.kind_code, "4");
    EXPECT_EQ(fields.text_a, "1/3/2026");
    EXPECT_EQ(fields.text_b, "14:05");
    EXPECT_EQ(fields.subject, "Call the plumber");
    EXPECT_EQ(fields.kind_number, "2");
    EXPECT_EQ(fields.duration, "00:00:01");
    EXPECT_TRUE(LogLines("Voxwren.xrr").empty());
}

TEST_F(DiarySessionTest, NagMeWithoutAutoReminderStoresNoReminder) {
    EXPECT_EQ(ReminderSettingOf(false, true), ReminderSetting::kNone);
    EXPECT_EQ(ReminderSettingOf(true, false), ReminderSetting::kOnce);
    profile_.Write("anna", "ADiary", "Y");
    OpenDiary();
    EXPECT_TRUE(session_->auto_reminder());
    Record(500);
    session_->set_auto_reminder(false);
    session_->set_nag_me(true);
    ASSERT_EQ(session_->Save(), 0);
    ASSERT_EQ(LogLines("Voxwren.xrd").size(), 1u);
    EXPECT_EQ(LogLines("Voxwren.xrd")[0].Fields().kind_number, "0");
}

TEST_F(DiarySessionTest, EntrySavedWhileTheReminderRunsJoinsItsTable) {
    DiaryReminder reminder(*store_, reporter_,
                           [] { return QDateTime(QDate(2026, 12, 7), QTime(8, 0)); });
    reminder.Start();
    OpenDiary(&reminder);
    Record(500);
    session_->set_time(17, 30);
    session_->set_auto_reminder(true);
    ASSERT_EQ(session_->Save(), 0);
    ASSERT_EQ(reminder.entries().size(), 1u);
    EXPECT_EQ(reminder.entries()[0].time, "17:30");
    EXPECT_EQ(reminder.entries()[0].container_name, session_->recording().files().container_name());

    // With the reminder off the table is left alone.
    auto second = std::make_unique<DiarySession>(*backend_, target_, reporter_, &reminder);
    ASSERT_EQ(second->Open(), 0);
    ASSERT_EQ(second->recording().Pickup(), 0);
    test::AdvanceAndPump(*backend_, 500);
    second->recording().Stop();
    second->set_auto_reminder(false);
    ASSERT_EQ(second->Save(), 0);
    EXPECT_EQ(reminder.entries().size(), 1u);
}

}  // namespace
}  // namespace kivo::diary
