// The offline meeting ("Kivo Meeting Costs & Timer") on injected clocks: the
// timed spans, the cost, and the over-run box once at the planned end.
#include "kivo/meeting/offline_meeting.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>

#include "kivo/meeting/offline_meeting_dialog.h"

namespace kivo::meeting {
namespace {

struct Clocks {
    std::int64_t monotonic_ms = 5000;
    int time_of_day_s = 10 * 3600;
    void Pass(int seconds) {
        monotonic_ms += std::int64_t{seconds} * 1000;
        time_of_day_s += seconds;
    }
};

TEST(OfflineMeetingTest, PausedTimeIsNotCountedAndStopKeepsTheTotal) {
    Clocks clocks;
    OfflineMeeting meeting([&] { return clocks.monotonic_ms; },
                           [&] { return clocks.time_of_day_s; });
    meeting.meter().set_cost_per_hour(60.0);
    meeting.meter().set_currency("$");
    meeting.Start();
    clocks.Pass(600);
    meeting.Pause();
    clocks.Pass(300);
    EXPECT_EQ(meeting.elapsed_ms(), 600 * 1000);
    meeting.Pause();
    clocks.Pass(300);
    meeting.Stop();
    clocks.Pass(1000);
    EXPECT_EQ(meeting.elapsed_ms(), 900 * 1000);
    meeting.Refresh();
    EXPECT_EQ(meeting.meter().cost_text(), "$15.00");
    meeting.Start();
    clocks.Pass(900);
    EXPECT_EQ(meeting.elapsed_ms(), 1800 * 1000);
}

TEST(OfflineMeetingTest, DialogShowsTheFiguresAndAsksOnceAtThePlannedEnd) {
    Clocks clocks;
    OfflineMeetingDialog dialog(
        nullptr, "anna", nullptr, [&] { return clocks.monotonic_ms; },
        [&] { return clocks.time_of_day_s; });
    int asked = 0;
    dialog.ask_remind_minutes = [&asked] {
        ++asked;
        return 0;
    };
    dialog.ApplyTimesAndCosts({"10:00", "10:05", 120.0, "$"});
    QTest::mouseClick(dialog.start_button(), Qt::LeftButton);
    for (int second = 0; second < 400; ++second) {
        clocks.Pass(1);
        dialog.Refresh();
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog.duration_label()->text(), "00:06:40");
    EXPECT_EQ(dialog.cost_label()->text(), "$13.33");
    EXPECT_EQ(dialog.time_left_label()->text(), "-00:01:40 ");
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);
    EXPECT_TRUE(dialog.start_button()->isEnabled());
    EXPECT_FALSE(dialog.stop_button()->isEnabled());
}

}  // namespace
}  // namespace kivo::meeting
