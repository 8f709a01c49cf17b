// Loading the text to translate from a file ("&Browse for Text..."): UTF-8 or,
// when the bytes are not valid UTF-8, Windows-1252 (texts written on Windows),
// always returned as UTF-8 and cut to a limit at a character boundary.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kivo::translator {

// The most text the translator takes at once, in bytes of UTF-8.
inline constexpr std::size_t kTranslatorTextLimitBytes = 32000;

struct LoadedText {
    bool ok = false;   // false: the file could not be read
    bool cut = false;  // the text was longer than the limit
    std::string utf8;
};

// bytes as UTF-8: themselves when valid UTF-8 (without a leading byte-order
// mark), otherwise decoded as Windows-1252. Cut to at most limit_bytes, never
// inside a character. more_follows: bytes is the start of a longer file, so
// a character cut at its very end is the read's doing, not invalid UTF-8.
LoadedText DecodeText(std::string_view bytes, std::size_t limit_bytes, bool more_follows = false);

// Reads at most a few bytes past the limit's worth of the file, so a huge
// file is never read whole, and decodes it as DecodeText.
LoadedText LoadTextFile(const std::filesystem::path& path,
                        std::size_t limit_bytes = kTranslatorTextLimitBytes);

}  // namespace kivo::translator
