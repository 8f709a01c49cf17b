// Reading the fields of a 401-byte record line for display.
//
// A record line is 400 characters of fields separated by single spaces,
// padded with spaces, and a line feed. A space inside a field is stored as
// the byte 0xAC. Text is UTF-8; lines written by the Windows program are
// Windows-1252, so bytes that do not form valid UTF-8 are read as
// Windows-1252.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

inline constexpr std::size_t kRecordLineBytes = 401;
inline constexpr std::size_t kRecordTextBytes = 400;
// Record numbers at or above this mark an erased line.
inline constexpr std::int64_t kErasedRecordNumber = 99999999;

// The fields of a record line's text, numbered from 0 here (field n of the
// record line is element n - 1). Every single space separates two fields, so
// two spaces in a row enclose an empty one. The padding after the last field
// yields empty fields, which callers ignore. At most max_fields are
// returned (a line holds 24 fields at most).
std::vector<std::string_view> SplitRecordFields(std::string_view text, std::size_t max_fields = 24);

// Field n (counted from 1) or an empty view past the end.
std::string_view RecordField(const std::vector<std::string_view>& fields, std::size_t n);

// A field as the user sees it: 0xAC bytes become spaces and the text becomes
// valid UTF-8 (bytes outside valid UTF-8 read as Windows-1252).
std::string DisplayText(std::string_view field);

// The record number of a line: its first word when that is all digits (at
// most 9 of them); nothing otherwise.
std::optional<std::int64_t> LeadingRecordNumber(std::string_view line);

// True when the 401 bytes form a well-made record line: a line feed at the
// end and no line feed, carriage return or NUL byte before it.
bool IsWellFormedRecordLine(std::string_view line);

}  // namespace kivo::core
