// One stored entry of the record index: an eight-digit length L, L bytes of
// ten tab-separated fields, and a line feed.
#include <charconv>
#include <cstdio>

#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/text_encoding.h"

namespace kivo::recordstore {
namespace {

constexpr std::size_t kStartDateMaxBytes = 64;
constexpr std::size_t kKindCodeMaxBytes = 16;

std::string Flat(std::string_view text, std::size_t max_bytes) {
    return std::string(CutAtCharBoundary(FlattenLines(text), max_bytes));
}

std::string DateNumberText(std::string_view start_date) {
    const auto date = ParseDateText(start_date);
    return date ? std::to_string(date->AsNumber()) : std::string("0");
}

template <typename Integer>
bool ParseInteger(std::string_view text, Integer* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string EncodeIndexEntry(const IndexRecord& record) {
    std::string mark_comments = Flat(record.mark_comments, kIndexMarkCommentsMaxBytes);
    if (mark_comments.empty()) {
        mark_comments.push_back(' ');  // a single space when there are none
    }
    char number[16];
    std::snprintf(number, sizeof number, "%08d", static_cast<int>(record.record_number));
    const std::string fields[kIndexFieldCount] = {
        number,
        Flat(record.kind_code, kKindCodeMaxBytes),
        DateNumberText(record.start_date),
        Flat(record.keywords, kIndexKeywordsMaxBytes),
        mark_comments,
        Flat(record.start_date, kStartDateMaxBytes),
        record.moved ? "1" : "0",
        "",  // 7 and 8 are reserved
        "",
        std::to_string(record.line_position),
    };
    std::string entry;
    for (int field = 0; field < kIndexFieldCount; ++field) {
        if (field > 0) {
            entry.push_back(kIndexFieldSeparator);
        }
        entry += fields[field];
    }
    char length[16];
    std::snprintf(length, sizeof length, "%08zu", entry.size());
    std::string stored;
    stored.reserve(kIndexLengthDigits + entry.size() + 1);
    stored.append(length).append(entry).push_back('\n');
    return stored;
}

std::string_view IndexEntryField(std::string_view entry, int n) {
    entry = entry.substr(0, entry.find_first_of(std::string_view("\n\0", 2)));
    if (n < 0) {
        return {};
    }
    std::size_t start = 0;
    for (int field = 0; field < n; ++field) {
        const std::size_t separator = entry.find(kIndexFieldSeparator, start);
        if (separator == std::string_view::npos) {
            return {};
        }
        start = separator + 1;
    }
    const std::size_t end = entry.find(kIndexFieldSeparator, start);
    return entry.substr(start, end == std::string_view::npos ? entry.size() - start : end - start);
}

std::optional<IndexRecord> DecodeIndexEntry(std::string_view entry) {
    IndexRecord record;
    const std::string_view number = IndexEntryField(entry, 0);
    if (number.size() != 8 || !ParseInteger(number, &record.record_number)) {
        return std::nullopt;
    }
    record.kind_code = std::string(IndexEntryField(entry, 1));
    record.keywords = std::string(IndexEntryField(entry, 3));
    record.mark_comments = std::string(IndexEntryField(entry, 4));
    record.start_date = std::string(IndexEntryField(entry, 5));
    record.moved = IndexEntryField(entry, 6) == "1";
    if (!ParseInteger(IndexEntryField(entry, 9), &record.line_position)) {
        record.line_position = 0;
    }
    return record;
}

}  // namespace kivo::recordstore
