// Text as the search compares it: stored bytes made UTF-8 (bytes written by
// the Windows program are read as Windows-1252) and put in upper case one
// whole character at a time, so "é" in a keyword matches "É" in a search.
#pragma once

#include <string>
#include <string_view>

namespace kivo::search {

std::string SearchableText(std::string_view stored_bytes);
// The same into *out, reusing its storage (for loops over many texts).
void SearchableTextInto(std::string_view stored_bytes, std::string* out);

// True when needle occurs in haystack (both searchable text). UTF-8 is
// self-synchronising, so a match always starts and ends on whole characters.
inline bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

}  // namespace kivo::search
