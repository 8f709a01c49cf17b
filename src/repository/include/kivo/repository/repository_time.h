// The two Windows time forms a repository stores: SYSTEMTIME (eight 16-bit
// words, UTC) for when a member was stored or deleted and when the header was
// written, and FILETIME (100-ns intervals since 1601-01-01 UTC) for the times
// of the file that was stored.
#pragma once

#include <cstdint>

#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day_of_week = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    bool operator==(const SystemTime&) const = default;
    bool is_zero() const { return *this == SystemTime{}; }
};

// FILETIME as one 64-bit count.
using FileTime = std::uint64_t;

// 100-ns intervals between 1601-01-01 and 1970-01-01.
inline constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;

FileTime FileTimeFromTimestamp(const filesystem::Timestamp& time);
// Times before 1970 are given as 1970-01-01.
filesystem::Timestamp TimestampFromFileTime(FileTime time);
SystemTime SystemTimeFromTimestamp(const filesystem::Timestamp& time);

// The current UTC time; the engine takes it from an injectable clock so tests
// can produce repositories byte for byte.
using Clock = SystemTime (*)();
SystemTime SystemClockNow();

}  // namespace kivo::repository
