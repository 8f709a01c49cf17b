// Field splitting and display decoding of record lines; see record_line_text.h.
#include "kivo/core/record_line_text.h"

#include "kivo/recordstore/text_encoding.h"

namespace kivo::core {

std::vector<std::string_view> SplitRecordFields(std::string_view text, std::size_t max_fields) {
    std::vector<std::string_view> fields;
    fields.reserve(max_fields);
    std::size_t start = 0;
    while (fields.size() < max_fields) {
        std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, space - start));
        start = space + 1;
    }
    return fields;
}

std::string_view RecordField(const std::vector<std::string_view>& fields, std::size_t n) {
    return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string_view();
}

std::string DisplayText(std::string_view field) {
    return recordstore::DisplayText(recordstore::RestoreSpaces(field));
}

std::optional<std::int64_t> LeadingRecordNumber(std::string_view line) {
    std::size_t end = line.find(' ');
    std::string_view word = line.substr(0, end);
    if (word.empty() || word.size() > 9)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsWellFormedRecordLine(std::string_view line) {
    if (line.size() != kRecordLineBytes || line.back() != '\n')
        return false;
    return line.substr(0, kRecordTextBytes).find_first_of(std::string_view("\n\r\0", 3)) ==
           std::string_view::npos;
}

}  // namespace kivo::core
