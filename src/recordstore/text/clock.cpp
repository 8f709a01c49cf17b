// The process-wide local clock and the date, time and duration texts.
#include "kivo/recordstore/clock.h"

#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <mutex>
#include <utility>

namespace kivo::recordstore {
namespace {

std::mutex& ClockMutex() {
    static std::mutex mutex;
    return mutex;
}

LocalClock& InstalledClock() {
    static LocalClock clock;  // empty: the system clock
    return clock;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<CalendarDate> CheckedDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    return CalendarDate{year, month, day};
}

// Reads between min_digits and max_digits decimal digits at text[*offset].
std::optional<int> ReadDigits(std::string_view text, std::size_t* offset, std::size_t min_digits,
                              std::size_t max_digits) {
    std::size_t end = *offset;
    while (end < text.size() && end - *offset < max_digits && text[end] >= '0' &&
           text[end] <= '9') {
        ++end;
    }
    if (end - *offset < min_digits) {
        return std::nullopt;
    }
    int value = 0;
    std::from_chars(text.data() + *offset, text.data() + end, value);
    *offset = end;
    return value;
}

bool ReadChar(std::string_view text, std::size_t* offset, char expected) {
    if (*offset < text.size() && text[*offset] == expected) {
        ++*offset;
        return true;
    }
    return false;
}

}  // namespace

LocalDateTime SystemLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    LocalDateTime time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
    time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return time;
}

LocalDateTime CurrentLocalTime() {
    LocalClock clock;
    {
        std::lock_guard<std::mutex> lock(ClockMutex());
        clock = InstalledClock();
    }
    return clock ? clock() : SystemLocalTime();
}

ScopedLocalClock::ScopedLocalClock(LocalClock clock) {
    std::lock_guard<std::mutex> lock(ClockMutex());
    previous_ = std::exchange(InstalledClock(), std::move(clock));
}

ScopedLocalClock::~ScopedLocalClock() {
    std::lock_guard<std::mutex> lock(ClockMutex());
    InstalledClock() = std::move(previous_);
}

std::string FormatDateText(const LocalDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", time.day, time.month, time.year);
    return text;
}

std::string FormatTimeText(const LocalDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

std::string FormatStampText(const LocalDateTime& time) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%03d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second, time.millisecond);
    return text;
}

std::optional<CalendarDate> ParseDateText(std::string_view text) {
    std::size_t offset = 0;
    const auto day = ReadDigits(text, &offset, 1, 2);
    if (!day || !ReadChar(text, &offset, '/')) {
        return std::nullopt;
    }
    const auto month = ReadDigits(text, &offset, 1, 2);
    if (!month || !ReadChar(text, &offset, '/')) {
        return std::nullopt;
    }
    const auto year = ReadDigits(text, &offset, 4, 4);
    if (!year || offset != text.size()) {
        return std::nullopt;
    }
    return CheckedDate(*year, *month, *day);
}

std::optional<CalendarDate> ParseDateNumber(std::string_view text) {
    std::size_t offset = 0;
    if (text.size() != 8 || !ReadDigits(text, &offset, 8, 8)) {
        return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        std::from_chars(text.data() + at, text.data() + at + length, value);
        return value;
    };
    return CheckedDate(number(0, 4), number(4, 2), number(6, 2));
}

std::optional<int> ParseTimeOfDaySeconds(std::string_view text) {
    std::size_t offset = 0;
    const auto hours = ReadDigits(text, &offset, 1, 2);
    if (!hours || !ReadChar(text, &offset, ':')) {
        return std::nullopt;
    }
    const auto minutes = ReadDigits(text, &offset, 2, 2);
    if (!minutes) {
        return std::nullopt;
    }
    int seconds = 0;
    if (ReadChar(text, &offset, ':')) {
        const auto read = ReadDigits(text, &offset, 2, 2);
        if (!read) {
            return std::nullopt;
        }
        seconds = *read;
    }
    if (offset != text.size() || *hours > 23 || *minutes > 59 || seconds > 59) {
        return std::nullopt;
    }
    return *hours * 3600 + *minutes * 60 + seconds;
}

std::string DurationText(std::int64_t milliseconds) {
    return CappedDurationText(milliseconds, std::numeric_limits<std::int64_t>::max());
}

std::string CappedDurationText(std::int64_t milliseconds, std::int64_t max_hours) {
    const std::int64_t total_seconds = milliseconds < 0 ? 0 : milliseconds / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d",
                  static_cast<long long>(std::min(total_seconds / 3600, max_hours)),
                  static_cast<int>(total_seconds / 60 % 60), static_cast<int>(total_seconds % 60));
    return text;
}

std::optional<std::int64_t> ParseDurationMilliseconds(std::string_view text) {
    std::size_t offset = 0;
    const auto hours = ReadDigits(text, &offset, 1, 6);
    if (!hours || !ReadChar(text, &offset, ':')) {
        return std::nullopt;
    }
    const auto minutes = ReadDigits(text, &offset, 2, 2);
    if (!minutes || !ReadChar(text, &offset, ':')) {
        return std::nullopt;
    }
    const auto seconds = ReadDigits(text, &offset, 2, 2);
    if (!seconds || offset != text.size() || *minutes > 59 || *seconds > 59) {
        return std::nullopt;
    }
    return (static_cast<std::int64_t>(*hours) * 3600 + *minutes * 60 + *seconds) * 1000;
}

}  // namespace kivo::recordstore
