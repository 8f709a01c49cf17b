// Little-endian fields inside byte buffers, for the repository's on-disk
// structures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kivo/repository/repository_time.h"

namespace kivo::repository {

inline std::uint16_t GetU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline std::uint64_t GetU64(const std::uint8_t* bytes) {
    return static_cast<std::uint64_t>(GetU32(bytes)) |
           (static_cast<std::uint64_t>(GetU32(bytes + 4)) << 32);
}

inline void PutU16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void PutU64(std::uint8_t* bytes, std::uint64_t value) {
    PutU32(bytes, static_cast<std::uint32_t>(value));
    PutU32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

inline SystemTime GetSystemTime(const std::uint8_t* bytes) {
    return SystemTime{GetU16(bytes),      GetU16(bytes + 2), GetU16(bytes + 4),
                      GetU16(bytes + 6),  GetU16(bytes + 8), GetU16(bytes + 10),
                      GetU16(bytes + 12), GetU16(bytes + 14)};
}

inline void PutSystemTime(std::uint8_t* bytes, const SystemTime& time) {
    const std::uint16_t words[8] = {time.year, time.month,  time.day_of_week, time.day,
                                    time.hour, time.minute, time.second,      time.milliseconds};
    for (int i = 0; i < 8; ++i) {
        PutU16(bytes + 2 * i, words[i]);
    }
}

// a + b, or false when it does not fit in 64 bits.
inline bool CheckedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t& sum) {
    return !__builtin_add_overflow(a, b, &sum);
}

}  // namespace kivo::repository
