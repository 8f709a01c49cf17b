// The local clock behind the date texts of qldate.h, and the date and time
// texts themselves.
//
// The C functions (LogDate, DateStamp ...) read the current local time
// through one process-wide clock, the system clock unless a test installs
// another with ScopedLocalClock, so tests are deterministic.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kivo::recordstore {

struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

using LocalClock = std::function<LocalDateTime()>;

// The current local time from the installed clock.
LocalDateTime CurrentLocalTime();

// The system clock read as local time (localtime_r).
LocalDateTime SystemLocalTime();

// Installs clock for the lifetime of the object (then restores the
// previous one). Meant for tests; not to be used across threads that call
// the date functions at the same time.
class ScopedLocalClock {
public:
    explicit ScopedLocalClock(LocalClock clock);
    ~ScopedLocalClock();
    ScopedLocalClock(const ScopedLocalClock&) = delete;
    ScopedLocalClock& operator=(const ScopedLocalClock&) = delete;

private:
    LocalClock previous_;
};

// "dd/mm/yyyy"
std::string FormatDateText(const LocalDateTime& time);
// "HH:MM:SS"
std::string FormatTimeText(const LocalDateTime& time);
// "yyyymmddHHMMSSmmm"
std::string FormatStampText(const LocalDateTime& time);

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    // year * 10000 + month * 100 + day, the form the record index keeps.
    std::int32_t AsNumber() const { return year * 10000 + month * 100 + day; }
};

// "dd/mm/yyyy" (one or two digits for day and month, four for the year),
// checked against the calendar; nullopt for anything else.
std::optional<CalendarDate> ParseDateText(std::string_view text);
// Eight digits "yyyymmdd", checked against the calendar.
std::optional<CalendarDate> ParseDateNumber(std::string_view text);

// Seconds since midnight of "HH:MM" or "HH:MM:SS"; nullopt when malformed.
std::optional<int> ParseTimeOfDaySeconds(std::string_view text);

// Duration texts "hh:mm:ss" <-> milliseconds (see qldate.h): whole seconds,
// rounded down; a negative duration is zero; the hours take as many digits
// as they need.
std::string DurationText(std::int64_t milliseconds);
// As DurationText, with the hours stopping at max_hours (minutes and seconds
// are kept): for a field that holds two digits of hours, such as an index
// mark's time stamp.
std::string CappedDurationText(std::int64_t milliseconds, std::int64_t max_hours);
std::optional<std::int64_t> ParseDurationMilliseconds(std::string_view text);

}  // namespace kivo::recordstore
