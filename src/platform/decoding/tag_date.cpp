// Reading a date tag (see tag_date.h).
#include "kivo/decoding/tag_date.h"

#include <cctype>
#include <string>

namespace kivo::decoding {
namespace {

// Reads up to `digits` decimal digits at *at; false when there are none.
bool ReadNumber(std::string_view text, std::size_t* at, std::size_t digits, int* value) {
    std::size_t taken = 0;
    int number = 0;
    while (*at < text.size() && taken < digits &&
           std::isdigit(static_cast<unsigned char>(text[*at]))) {
        number = number * 10 + (text[*at] - '0');
        ++*at;
        ++taken;
    }
    *value = number;
    return taken > 0;
}

bool Skip(std::string_view text, std::size_t* at, std::string_view separators) {
    if (*at < text.size() && separators.find(text[*at]) != std::string_view::npos) {
        ++*at;
        return true;
    }
    return false;
}

bool InRange(const TagDate& date) {
    return date.year >= 1900 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= 31 && date.hour <= 23 && date.minute <= 59 &&
           date.second <= 59;
}

}  // namespace

std::optional<TagDate> ParseTagDate(std::string_view tag) {
    TagDate date;
    std::size_t at = 0;
    while (at < tag.size() && tag[at] == ' ')
        ++at;
    if (!ReadNumber(tag, &at, 4, &date.year) || !Skip(tag, &at, "-/.") ||
        !ReadNumber(tag, &at, 2, &date.month) || !Skip(tag, &at, "-/.") ||
        !ReadNumber(tag, &at, 2, &date.day))
        return std::nullopt;
    if (Skip(tag, &at, "T ") && ReadNumber(tag, &at, 2, &date.hour) && Skip(tag, &at, ":") &&
        ReadNumber(tag, &at, 2, &date.minute) && Skip(tag, &at, ":")) {
        ReadNumber(tag, &at, 2, &date.second);
    }
    if (!InRange(date))
        return std::nullopt;
    return date;
}

}  // namespace kivo::decoding
