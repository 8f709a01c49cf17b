// Field splitting and display decoding of record lines; see record_line_text.h.
#include "shell/record_line_text.h"

namespace kivo::shell {
namespace {

constexpr unsigned char kStoredSpace = 0xAC;

// Windows-1252 code points of the bytes 0x80-0x9F (0 where undefined).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of a valid UTF-8 sequence starting at s[i] (2 to 4), or 0.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    std::size_t length;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF)
        return 0;
    return length;
}

}  // namespace

std::vector<std::string_view> SplitRecordFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, space - start));
        start = space + 1;
    }
}

std::string_view RecordField(const std::vector<std::string_view>& fields, std::size_t n) {
    return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string_view();
}

std::string DisplayText(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size();) {
        unsigned char c = static_cast<unsigned char>(field[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (std::size_t n = Utf8SequenceLength(field, i); n > 0) {
            out.append(field.substr(i, n));
            i += n;
        } else if (c == kStoredSpace) {
            out += ' ';
            ++i;
        } else {
            char32_t cp = c >= 0xA0 ? c : kCp1252High[c - 0x80];
            AppendUtf8(out, cp == 0 ? U'\uFFFD' : cp);
            ++i;
        }
    }
    return out;
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

}  // namespace kivo::shell
