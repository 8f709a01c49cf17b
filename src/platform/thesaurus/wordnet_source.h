// The English related words of WordNet.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::thesaurus {

// True when WordNet's index files are in folder and its library opens them.
bool WordNetAvailable(const std::string& folder);

// The words of every sense of word (lower case ASCII expected) as noun, verb,
// adjective and adverb, each reduced to its base form first. Multi-word
// terms come with spaces ("railway car"). May hold word itself and repeats.
std::vector<std::string> WordNetSynonyms(std::string_view word, std::size_t max_words);

}  // namespace kivo::thesaurus
