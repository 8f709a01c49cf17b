// Loading a text file for the translator (see text_file_loading.h).
#include "kivo/translator/text_file_loading.h"

#include <fstream>

namespace kivo::translator {
namespace {

// The length of the valid UTF-8 sequence at text[at], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned min_value = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        min_value = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min_value = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min_value = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    unsigned value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < min_value || value > 0x10FFFF || surrogate ? 0 : length;
}

// Whole characters of valid UTF-8 up to limit_bytes; npos when invalid.
std::size_t Utf8PrefixWithin(std::string_view text, std::size_t limit_bytes, bool* invalid) {
    std::size_t at = 0;
    std::size_t kept = 0;
    *invalid = false;
    while (at < text.size()) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            *invalid = true;
            return 0;
        }
        at += length;
        if (at <= limit_bytes)
            kept = at;
    }
    return kept;
}

// Windows-1252's bytes 0x80-0x9F; 0 marks the five it leaves undefined.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string EncodeUtf8(char16_t code_point) {
    std::string out;
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | (code_point >> 6));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code_point >> 12));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
    return out;
}

LoadedText DecodeWindows1252(std::string_view bytes, std::size_t limit_bytes) {
    LoadedText loaded{true, false, {}};
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        char16_t code_point = value;
        if (value >= 0x80 && value <= 0x9F)
            code_point =
                kWindows1252High[value - 0x80] != 0 ? kWindows1252High[value - 0x80] : 0xFFFD;
        const std::string character = EncodeUtf8(code_point);
        if (loaded.utf8.size() + character.size() > limit_bytes) {
            loaded.cut = true;
            break;
        }
        loaded.utf8 += character;
    }
    return loaded;
}

}  // namespace

LoadedText DecodeText(std::string_view bytes, std::size_t limit_bytes, bool more_follows) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        bytes.remove_prefix(kByteOrderMark.size());
    bool invalid = false;
    // A character cut at the very end by a partial read is not a fault.
    std::string_view checked = bytes;
    for (std::size_t back = 1; more_follows && back <= 3 && back <= bytes.size(); ++back) {
        if ((static_cast<unsigned char>(bytes[bytes.size() - back]) & 0xC0) != 0x80) {
            if (Utf8SequenceLength(bytes, bytes.size() - back) == 0 &&
                static_cast<unsigned char>(bytes[bytes.size() - back]) >= 0xC2)
                checked = bytes.substr(0, bytes.size() - back);
            break;
        }
    }
    const std::size_t kept = Utf8PrefixWithin(checked, limit_bytes, &invalid);
    if (invalid) {
        LoadedText loaded = DecodeWindows1252(bytes, limit_bytes);
        loaded.cut = loaded.cut || more_follows;
        return loaded;
    }
    return LoadedText{true, kept < bytes.size() || more_follows,
                      std::string(bytes.substr(0, kept))};
}

LoadedText LoadTextFile(const std::filesystem::path& path, std::size_t limit_bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    // Decoding never keeps more than limit_bytes, so the limit and one more
    // character (up to 4 bytes) of the file decide everything.
    std::string bytes(limit_bytes + 4, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad())
        return {};
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    const bool more_follows = file.peek() != std::ifstream::traits_type::eof();
    return DecodeText(bytes, limit_bytes, more_follows);
}

}  // namespace kivo::translator
