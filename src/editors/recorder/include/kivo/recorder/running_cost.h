// The running figures a recorder of a paid-for conversation (a meeting, a
// phone call) shows beside its duration: the cost so far, the time left
// before a limit, and the alarm when the limit is reached. Plain C++; the
// recorder supplies the duration and the seconds left.
//
// - Cost: the duration in whole seconds, in hours, times the cost per hour,
//   two decimals, the currency in front ("£30.00").
// - Time left: "+hh:mm:ss " or "-hh:mm:ss " (sign first, one space after).
// - Alarm: raised once each time the time left reaches zero: the first
//   reading at or past the limit after one before it. Arm() raises it again
//   at the next such reading (the limit was moved later).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivo::recorder {

inline constexpr const char* kDefaultCurrency = "\xC2\xA3";  // the pound sign

// "+hh:mm:ss " or "-hh:mm:ss " for a time left in seconds.
std::string TimeLeftText(std::int64_t seconds);

// The cost of duration_ms at cost_per_hour, as "<currency><cost>" with two
// decimals.
std::string CostText(std::int64_t duration_ms, double cost_per_hour, std::string_view currency);

// A cost rate as the profile keeps it (up to 15 characters): a number from 0
// to 999999.99; nullopt for an empty or unreadable text.
std::optional<double> ParseCostRate(std::string_view text);

class TimeLimitAlarm {
public:
    // A reading of the seconds left. True when the alarm is to sound now.
    bool Read(std::int64_t seconds_left);
    void Arm() { armed_ = true; }

private:
    bool armed_ = true;
};

}  // namespace kivo::recorder
