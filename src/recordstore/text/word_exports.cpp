// The C text helpers: word_find and word_count (words of a text) and
// strstrrep (same-length replacement in place).
#include <cstring>

#include "kivo/recordstore/text_encoding.h"
#include "kivo/recordstore/words.h"
#include "qlrep1.h"
#include "qlword.h"

using kivo::recordstore::kStoredSpace;

extern "C" int32_t word_find(const char* text, char* out, int32_t n) {
    if (out == nullptr) {
        return 0;
    }
    out[0] = '\0';
    if (text == nullptr || n < 1) {
        return 0;
    }
    const std::string_view all(text);
    if (static_cast<std::size_t>(n) > kivo::recordstore::WordCount(all)) {
        return 0;
    }
    const std::string_view word = kivo::recordstore::WordAt(all, n);
    std::memmove(out, word.data(), word.size());
    out[word.size()] = '\0';
    return 1;
}

extern "C" int32_t word_count(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    return static_cast<int32_t>(kivo::recordstore::WordCount(text));
}

namespace {

// Replaces every 0xAC that is not part of a valid multi-byte UTF-8
// character by `replacement`.
int32_t ReplaceStandAloneStoredSpaces(char* text, char replacement) {
    const std::string_view all(text);
    int32_t count = 0;
    for (std::size_t offset = 0; offset < all.size();) {
        const std::size_t length = kivo::recordstore::Utf8CharLength(all, offset);
        if (length > 1) {
            offset += length;
            continue;
        }
        if (text[offset] == kStoredSpace) {
            text[offset] = replacement;
            ++count;
        }
        ++offset;
    }
    return count;
}

}  // namespace

extern "C" int32_t strstrrep(char* text, const char* find, const char* replace) {
    if (text == nullptr || find == nullptr || replace == nullptr) {
        return -1;
    }
    const std::size_t length = std::strlen(find);
    if (length == 0 || std::strlen(replace) != length) {
        return -1;
    }
    if (length == 1 && find[0] == kStoredSpace) {
        return ReplaceStandAloneStoredSpaces(text, replace[0]);
    }
    int32_t count = 0;
    for (char* at = std::strstr(text, find); at != nullptr; at = std::strstr(at + length, find)) {
        std::memcpy(at, replace, length);
        ++count;
    }
    return count;
}
