// MeetingMeter: the figures the meeting recorder shows beside its duration:
// the running cost and the time left to the planned end, and the over-run
// alarm. Plain C++; the caller supplies the duration and the time of day.
//
// The figures and the alarm are the recorder kit's (running_cost.h); the
// meeting adds its limit:
// - Cost: no cost per hour, no cost.
// - Time left: the planned end ("HH:MM", hours not wrapped at 24, so a
//   snoozed "24:05" is five past midnight) less the time of day; over-run
//   once it is negative.
// - Alarm: moving the planned end later (the over-run box's "Remind Me in")
//   arms it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kivo/recorder/running_cost.h"

namespace kivo::meeting {

// "HH:MM" (hours 0-99, minutes 0-59) as minutes; nullopt otherwise.
std::optional<int> ParsePlannedTime(std::string_view text);
// Minutes as "HH:MM" with two digits each; hours are not wrapped.
std::string PlannedTimeText(int minutes);
// The planned time moved later by minutes ("23:50" + 15 = "24:05"); the
// text unchanged when it is not a planned time.
std::string AddMinutes(std::string_view planned, int minutes);

using recorder::CostText;
using recorder::TimeLeftText;

// A cost per hour as the profile keeps it ("MeetCost").
inline std::optional<double> ParseCostPerHour(std::string_view text) {
    return recorder::ParseCostRate(text);
}

class MeetingMeter {
public:
    void set_cost_per_hour(std::optional<double> cost) { cost_per_hour_ = cost; }
    void set_currency(std::string currency) { currency_ = std::move(currency); }
    // "HH:MM"; empty: no planned end (no time left, no alarm).
    void set_planned_end(std::string planned_end);
    const std::optional<double>& cost_per_hour() const { return cost_per_hour_; }
    const std::string& currency() const { return currency_; }
    const std::string& planned_end() const { return planned_end_; }

    // Takes a reading: the duration so far and the time of day in seconds
    // since midnight. True when the alarm is to sound now.
    bool Read(std::int64_t duration_ms, int seconds_of_day);

    // The texts of the last reading.
    std::string cost_text() const;  // empty without a cost per hour
    std::string time_left_text() const { return time_left_text_; }
    bool over_run() const { return time_left_text_.starts_with('-'); }

private:
    std::optional<double> cost_per_hour_;
    std::string currency_;
    std::string planned_end_;
    std::int64_t duration_ms_ = 0;
    std::string time_left_text_ = "+00:00:00 ";
    recorder::TimeLimitAlarm alarm_;
};

}  // namespace kivo::meeting
