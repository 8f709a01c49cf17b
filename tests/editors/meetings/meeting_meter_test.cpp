// The meeting's figures: cost per hour, time left to the planned end and the
// over-run alarm, which sounds once each time the planned end is reached.
#include "kivo/meeting/meeting_meter.h"

#include <gtest/gtest.h>

namespace kivo::meeting {
namespace {

constexpr int At(int hour, int minute, int second = 0) {
    return hour * 3600 + minute * 60 + second;
}

TEST(MeetingMeterTest, CostIsTheDurationInHoursTimesTheRate) {
    EXPECT_EQ(CostText(30 * 60 * 1000, 60.0, "\xC2\xA3"),
              "\xC2\xA3"
              "30.00");
    EXPECT_EQ(CostText(90 * 1000, 100.0, "$"), "$2.50");
    // Part seconds are not charged: the duration field shows whole seconds.
    EXPECT_EQ(CostText(999, 3600.0, "$"), "$0.00");
    MeetingMeter no_rate;
    no_rate.Read(60 * 60 * 1000, At(10, 0));
    EXPECT_EQ(no_rate.cost_text(), "");
}

TEST(MeetingMeterTest, CostPerHourTextsAreCheckedLikeTheSettingsField) {
    EXPECT_EQ(ParseCostPerHour("60.00"), 60.0);
    EXPECT_EQ(ParseCostPerHour("999999.99"), 999999.99);
    EXPECT_EQ(ParseCostPerHour(""), std::nullopt);
    EXPECT_EQ(ParseCostPerHour("Bad"), std::nullopt);
    EXPECT_EQ(ParseCostPerHour("-1"), std::nullopt);
    EXPECT_EQ(ParseCostPerHour("1000000"), std::nullopt);
    EXPECT_EQ(ParseCostPerHour("12abc"), std::nullopt);
}

TEST(MeetingMeterTest, TimeLeftCountsDownAndTurnsNegativeAfterThePlannedEnd) {
    MeetingMeter meter;
    meter.set_planned_end("11:00");
    meter.Read(0, At(10, 58, 30));
    EXPECT_EQ(meter.time_left_text(), "+00:01:30 ");
    EXPECT_FALSE(meter.over_run());
    meter.Read(0, At(11, 0));
    EXPECT_EQ(meter.time_left_text(), "+00:00:00 ");
    EXPECT_FALSE(meter.over_run());
    meter.Read(0, At(12, 5, 7));
    EXPECT_EQ(meter.time_left_text(), "-01:05:07 ");
    EXPECT_TRUE(meter.over_run());
}

TEST(MeetingMeterTest, AlarmSoundsOnceWhenThePlannedEndIsReachedAndAgainAfterRemindIn) {
    MeetingMeter meter;
    meter.set_planned_end("11:00");
    int alarms = 0;
    for (int second = At(10, 59, 50); second < At(11, 3); ++second)
        alarms += meter.Read(0, second) ? 1 : 0;
    EXPECT_EQ(alarms, 1);

    // "Remind Me in" 5 minutes: the planned end moves and the alarm is armed
    // again for it.
    meter.set_planned_end(AddMinutes(meter.planned_end(), 5));
    EXPECT_EQ(meter.planned_end(), "11:05");
    for (int second = At(11, 3); second < At(11, 10); ++second)
        alarms += meter.Read(0, second) ? 1 : 0;
    EXPECT_EQ(alarms, 2);
}

TEST(MeetingMeterTest, AlarmIsNotMissedWhenNoReadingFallsOnTheExactSecond) {
    MeetingMeter meter;
    meter.set_planned_end("11:00");
    EXPECT_FALSE(meter.Read(0, At(10, 59, 59)));
    EXPECT_TRUE(meter.Read(0, At(11, 0, 2)));
    EXPECT_FALSE(meter.Read(0, At(11, 0, 3)));
}

TEST(MeetingMeterTest, NoPlannedEndMeansNoAlarm) {
    MeetingMeter meter;
    for (int second = At(0, 0); second < At(23, 59); second += 600)
        EXPECT_FALSE(meter.Read(0, second));
}

TEST(MeetingMeterTest, PlannedTimesAreHoursAndMinutesWithoutWrapping) {
    EXPECT_EQ(AddMinutes("23:50", 15), "24:05");
    EXPECT_EQ(AddMinutes("09:45", 30), "10:15");
    EXPECT_EQ(AddMinutes("junk", 30), "junk");
    EXPECT_EQ(ParsePlannedTime("9:05"), 9 * 60 + 5);
    EXPECT_EQ(ParsePlannedTime("10:60"), std::nullopt);
    EXPECT_EQ(ParsePlannedTime("10:5"), std::nullopt);
    EXPECT_EQ(ParsePlannedTime(":30"), std::nullopt);
}

}  // namespace
}  // namespace kivo::meeting
