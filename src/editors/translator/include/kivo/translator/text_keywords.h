// The index keywords of a translation record: the user's keywords, then every
// distinct word of the original and the translated text, so that a search
// finds the record by its content in either language.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::translator {

// The index keeps at most this many bytes of keywords.
inline constexpr std::size_t kIndexKeywordBytes = 4999;

// The words of a UTF-8 text: runs of letters and digits (any byte of a
// multi-byte character counts as a letter), each once, in first-seen order,
// compared ignoring ASCII case.
std::vector<std::string> DistinctWords(std::string_view text);

// keywords, then the distinct words of the texts not already among them,
// joined by single spaces; never more than kIndexKeywordBytes, ending at a
// whole word.
std::string TranslationKeywords(std::string_view keywords, std::string_view original_text,
                                std::string_view translated_text);

}  // namespace kivo::translator
