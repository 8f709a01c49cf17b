// Case mapping through the wide-character table of the built-in "C.UTF-8"
// locale, named explicitly so that the process's own locale (often "C",
// which maps ASCII only) does not matter. Where that locale is missing only
// ASCII letters change.
#include "kivo/thesaurus/letter_case.h"

#include <cstdint>
#include <locale>
#include <optional>

namespace kivo::thesaurus {
namespace {

using WideCase = std::ctype<wchar_t>;

const WideCase* UnicodeCaseTable() {
    static const std::optional<std::locale> locale = []() -> std::optional<std::locale> {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
    }();
    return locale ? &std::use_facet<WideCase>(*locale) : nullptr;
}

// Decodes the valid UTF-8 character at text[offset]; returns its length in
// bytes, 0 when the bytes there are not one.
std::size_t DecodeCharacter(std::string_view text, std::size_t offset, char32_t* code_point) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (offset + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (overlong || surrogate || value > 0x10FFFF)
        return 0;
    *code_point = value;
    return length;
}

void AppendCharacter(char32_t code_point, std::string* out) {
    if (code_point < 0x80) {
        out->push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

char32_t MapAscii(char32_t c, bool upper) {
    if (upper && c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    if (!upper && c >= 'A' && c <= 'Z')
        return c - 'A' + 'a';
    return c;
}

std::string MapCase(std::string_view text, bool upper) {
    const WideCase* table = UnicodeCaseTable();
    std::string out;
    out.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeCharacter(text, offset, &c);
        if (length == 0) {
            out.push_back(text[offset]);
            ++offset;
            continue;
        }
        if (c < 0x80 || table == nullptr) {
            c = MapAscii(c, upper);
        } else {
            const auto wide = static_cast<wchar_t>(c);
            c = static_cast<char32_t>(upper ? table->toupper(wide) : table->tolower(wide));
        }
        AppendCharacter(c, &out);
        offset += length;
    }
    return out;
}

}  // namespace

std::string UpperCase(std::string_view utf8) {
    return MapCase(utf8, /*upper=*/true);
}

std::string LowerCase(std::string_view utf8) {
    return MapCase(utf8, /*upper=*/false);
}

}  // namespace kivo::thesaurus
