// The bytes of a text file as text for the screen: a text to translate that
// the user loads, the texts a translation's container holds. Such files are
// UTF-8 (a leading byte-order mark is dropped) or, when their bytes are not
// valid UTF-8 as a whole, Windows-1252 (written on Windows). The result is
// always valid UTF-8, cut to a limit in bytes, never inside a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo::recordstore {

struct DecodedText {
    std::string utf8;
    bool cut = false;  // the text was longer than the limit
};

// more_follows: bytes is only the start of a longer file, so a character cut
// at its very end is the read's doing, not invalid UTF-8.
DecodedText DecodeTextFileBytes(std::string_view bytes, std::size_t limit_bytes,
                                bool more_follows = false);

}  // namespace kivo::recordstore
