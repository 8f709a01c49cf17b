// A text file's bytes as UTF-8 (see text_file_bytes.h).
#include "kivo/recordstore/text_file_bytes.h"

#include "kivo/recordstore/text_encoding.h"

namespace kivo::recordstore {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// bytes without a UTF-8 character that a partial read cut at its end: the
// lead byte of a longer sequence followed by too few continuation bytes.
std::string_view WithoutCutCharacter(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue;  // a continuation byte: look further back for its lead
        if (byte >= 0xC2 && Utf8CharLength(bytes, bytes.size() - back) == 0)
            return bytes.substr(0, bytes.size() - back);
        break;
    }
    return bytes;
}

}  // namespace

DecodedText DecodeTextFileBytes(std::string_view bytes, std::size_t limit_bytes,
                                bool more_follows) {
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        bytes.remove_prefix(kByteOrderMark.size());
    const std::string_view checked = more_follows ? WithoutCutCharacter(bytes) : bytes;
    DecodedText decoded;
    // One encoding for the whole text, as for record-store fields.
    const std::string text = IsValidUtf8(checked) ? std::string(checked) : DisplayText(bytes);
    decoded.utf8 = std::string(CutAtCharBoundary(text, limit_bytes));
    decoded.cut = decoded.utf8.size() < text.size() || more_follows;
    return decoded;
}

}  // namespace kivo::recordstore
