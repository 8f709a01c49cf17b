// Conversions between the file system's timestamps and the Windows time forms.
#include "kivo/repository/repository_time.h"

#include <ctime>

namespace kivo::repository {
namespace {

constexpr std::uint64_t kIntervalsPerSecond = 10000000;

}  // namespace

FileTime FileTimeFromTimestamp(const filesystem::Timestamp& time) {
    // Before 1601 there is no FILETIME; such a time is given as 0.
    constexpr std::int64_t kSecondsBefore1970 =
        static_cast<std::int64_t>(kFileTimeUnixEpoch / kIntervalsPerSecond);
    if (time.seconds < -kSecondsBefore1970) {
        return 0;
    }
    auto seconds_since_1601 = static_cast<std::uint64_t>(time.seconds + kSecondsBefore1970);
    return seconds_since_1601 * kIntervalsPerSecond + time.nanoseconds / 100;
}

filesystem::Timestamp TimestampFromFileTime(FileTime time) {
    if (time < kFileTimeUnixEpoch) {
        return filesystem::Timestamp{};
    }
    std::uint64_t since_1970 = time - kFileTimeUnixEpoch;
    return filesystem::Timestamp{
        static_cast<std::int64_t>(since_1970 / kIntervalsPerSecond),
        static_cast<std::uint32_t>(since_1970 % kIntervalsPerSecond) * 100};
}

SystemTime SystemTimeFromTimestamp(const filesystem::Timestamp& time) {
    std::time_t seconds = static_cast<std::time_t>(time.seconds);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    SystemTime result;
    result.year = static_cast<std::uint16_t>(parts.tm_year + 1900);
    result.month = static_cast<std::uint16_t>(parts.tm_mon + 1);
    result.day_of_week = static_cast<std::uint16_t>(parts.tm_wday);
    result.day = static_cast<std::uint16_t>(parts.tm_mday);
    result.hour = static_cast<std::uint16_t>(parts.tm_hour);
    result.minute = static_cast<std::uint16_t>(parts.tm_min);
    result.second = static_cast<std::uint16_t>(parts.tm_sec);
    result.milliseconds = static_cast<std::uint16_t>(time.nanoseconds / 1000000);
    return result;
}

SystemTime SystemClockNow() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return SystemTimeFromTimestamp(
        filesystem::Timestamp{now.tv_sec, static_cast<std::uint32_t>(now.tv_nsec)});
}

}  // namespace kivo::repository
