#include "kivo/telephony/caller_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kivo::telephony {
namespace {

// Length of the valid UTF-8 sequence at `text[at]` and its code point, or 0
// when the bytes there are not one (overlong forms and surrogates included).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t* code_point) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *code_point = value;
    return length;
}

bool IsDropped(char32_t code_point) {
    return code_point < 0x20 || (code_point >= 0x7F && code_point <= 0x9F) ||
           code_point == 0x2028 || code_point == 0x2029;
}

}  // namespace

std::string SanitizeCallerText(std::string_view untrusted, std::size_t max_bytes) {
    std::string clean;
    bool pending_space = false;
    for (std::size_t at = 0; at < untrusted.size();) {
        char32_t code_point = 0;
        const std::size_t length = Utf8SequenceAt(untrusted, at, &code_point);
        if (length == 0) {
            ++at;  // not UTF-8: drop the byte
            continue;
        }
        const std::string_view character = untrusted.substr(at, length);
        at += length;
        if (IsDropped(code_point)) {
            continue;
        }
        if (code_point == ' ') {
            pending_space = !clean.empty();
            continue;
        }
        const std::size_t needed = character.size() + (pending_space ? 1 : 0);
        if (clean.size() + needed > max_bytes) {
            break;  // cut at the last whole character that fits
        }
        if (pending_space) {
            clean += ' ';
            pending_space = false;
        }
        clean += character;
    }
    return clean;
}

void CopyToField(const std::string& text, char* field, std::size_t field_bytes) {
    std::memset(field, 0, field_bytes);
    std::memcpy(field, text.data(), std::min(text.size(), field_bytes - 1));
}

}  // namespace kivo::telephony
