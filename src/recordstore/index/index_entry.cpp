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
    if (n < 0) {
        return {};
    }
    // One pass over the bytes: the search calls this six times per entry.
    int field = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        const char byte = entry[i];
        if (byte == '\n' || byte == '\0') {
            return field == n ? entry.substr(start, i - start) : std::string_view();
        }
        if (byte == kIndexFieldSeparator) {
            if (field == n) {
                return entry.substr(start, i - start);
            }
            ++field;
            start = i + 1;
        }
    }
    return field == n ? entry.substr(start) : std::string_view();
}

int IndexEntryFieldCount(std::string_view entry) {
    int fields = 1;
    for (const char byte : entry) {
        if (byte == '\n' || byte == '\0') {
            break;
        }
        fields += byte == kIndexFieldSeparator ? 1 : 0;
    }
    return fields;
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
