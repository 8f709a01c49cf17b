// UTF-8 walking, the stored form of spaces, and the Windows-1252 fallback
// for display. Cutting treats a byte that does not start a valid UTF-8
// character as one character of its own; restoring spaces and display decide
// for the whole text given (one field) whether it is UTF-8 or Windows-1252.
#include "kivo/recordstore/text_encoding.h"

#include <cstdint>

namespace kivo::recordstore {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Code points of Windows-1252 bytes 0x80..0x9F; 0 where the code page
// leaves the byte undefined.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(char32_t code_point, std::string* out) {
    if (code_point < 0x80) {
        out->push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

char32_t Windows1252CodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        const char32_t code_point = kWindows1252High[byte - 0x80];
        return code_point != 0 ? code_point : 0xFFFD;
    }
    return byte;  // ASCII and 0xA0..0xFF are Latin-1
}

}  // namespace

std::size_t Utf8CharLength(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) {
        return 0;
    }
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char second_min = 0x80;
    unsigned char second_max = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            second_min = 0xA0;  // no overlong forms
        } else if (lead == 0xED) {
            second_max = 0x9F;  // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            second_min = 0x90;
        } else if (lead == 0xF4) {
            second_max = 0x8F;  // nothing past U+10FFFF
        }
    } else {
        return 0;
    }
    if (text.size() - offset < length) {
        return 0;
    }
    if (at(1) < second_min || at(1) > second_max) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(at(i))) {
            return 0;
        }
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        const std::size_t length = Utf8CharLength(text, offset);
        if (length == 0) {
            return false;
        }
        offset += length;
    }
    return true;
}

bool IsAscii(std::string_view text) {
    unsigned char high_bits = 0;
    for (const char byte : text)
        high_bits |= static_cast<unsigned char>(byte);
    return high_bits < 0x80;
}

std::string_view CutAtCharBoundary(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text;
    }
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = Utf8CharLength(text, end);
        const std::size_t step = length == 0 ? 1 : length;
        if (end + step > max_bytes) {
            break;
        }
        end += step;
    }
    return text.substr(0, end);
}

std::string StoreSpaces(std::string_view text) {
    std::string stored(text);
    for (char& byte : stored) {
        if (static_cast<unsigned char>(byte) <= 0x20) {
            byte = kStoredSpace;
        }
    }
    return stored;
}

std::string RestoreSpaces(std::string_view stored) {
    if (IsAscii(stored))
        return std::string(stored);  // no stored space (0xAC) and valid UTF-8
    std::string text;
    text.reserve(stored.size());
    for (std::size_t offset = 0; offset < stored.size();) {
        const std::size_t length = Utf8CharLength(stored, offset);
        if (length > 1) {
            text.append(stored.substr(offset, length));
            offset += length;
            continue;
        }
        const char byte = stored[offset];
        text.push_back(byte == kStoredSpace ? ' ' : byte);
        ++offset;
    }
    if (IsValidUtf8(text)) {
        return text;
    }
    // A Windows-1252 field: every 0xAC in it is a stored space, also one
    // that happened to continue a UTF-8 look-alike.
    text.assign(stored);
    for (char& byte : text) {
        if (byte == kStoredSpace) {
            byte = ' ';
        }
    }
    return text;
}

std::string DisplayText(std::string_view bytes) {
    if (IsAscii(bytes) || IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        AppendUtf8(Windows1252CodePoint(static_cast<unsigned char>(byte)), &text);
    }
    return text;
}

std::string FlattenLines(std::string_view text) {
    std::string flat;
    flat.reserve(text.size());
    for (const char byte : text) {
        if (byte == '\r' || byte == '\n' || byte == '\t') {
            flat.push_back(' ');
        } else if (static_cast<unsigned char>(byte) >= 0x20) {
            flat.push_back(byte);
        }
    }
    return flat;
}

}  // namespace kivo::recordstore
