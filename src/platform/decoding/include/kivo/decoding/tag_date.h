// Reading the date tag of an audio file: "2024-03-05T10:20:00",
// "2024-03-05 10:20", "2024-03-05", "2024/03/05" and the like.
#pragma once

#include <optional>
#include <string_view>

namespace kivo::decoding {

struct TagDate {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

// The date and, when given, the time of a tag; nullopt for a tag without a
// full date (a bare year tells no day) or with values out of range.
std::optional<TagDate> ParseTagDate(std::string_view tag);

}  // namespace kivo::decoding
