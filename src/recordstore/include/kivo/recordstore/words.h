// Words of a text, as record lines and index-mark entries are cut into
// fields: every single space separates two words, two spaces in a row
// enclose an empty word, and words are numbered from 1. The C interface is
// qlword.h.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kivo::recordstore {

// Word n (from 1) of text; empty when n < 1 or past the last word. A view
// into text.
std::string_view WordAt(std::string_view text, int n);

// The number of words: the number of spaces plus one; 0 for empty text.
std::size_t WordCount(std::string_view text);

// The first max_words words (all of them when the text has fewer).
std::vector<std::string_view> SplitWords(std::string_view text, std::size_t max_words);

}  // namespace kivo::recordstore
