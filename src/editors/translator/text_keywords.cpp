// A translation record's index keywords (see text_keywords.h).
#include "kivo/translator/text_keywords.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace kivo::translator {
namespace {

bool IsWordByte(unsigned char byte) {
    return byte >= 0x80 || std::isalnum(byte) != 0;
}

std::string Lowered(std::string_view word) {
    std::string lowered(word);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

// Appends the words of text not yet seen to words.
void AddWords(std::string_view text, std::set<std::string>* seen, std::vector<std::string>* words) {
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && !IsWordByte(static_cast<unsigned char>(text[at])))
            ++at;
        const std::size_t begin = at;
        while (at < text.size() && IsWordByte(static_cast<unsigned char>(text[at])))
            ++at;
        if (at > begin && seen->insert(Lowered(text.substr(begin, at - begin))).second)
            words->emplace_back(text.substr(begin, at - begin));
    }
}

}  // namespace

std::vector<std::string> DistinctWords(std::string_view text) {
    std::set<std::string> seen;
    std::vector<std::string> words;
    AddWords(text, &seen, &words);
    return words;
}

std::string TranslationKeywords(std::string_view keywords, std::string_view original_text,
                                std::string_view translated_text) {
    std::set<std::string> seen;
    std::vector<std::string> words;
    AddWords(keywords, &seen, &words);
    AddWords(original_text, &seen, &words);
    AddWords(translated_text, &seen, &words);
    std::string joined;
    for (const std::string& word : words) {
        const std::size_t needed = word.size() + (joined.empty() ? 0 : 1);
        if (joined.size() + needed > kIndexKeywordBytes)
            break;
        if (!joined.empty())
            joined += ' ';
        joined += word;
    }
    return joined;
}

}  // namespace kivo::translator
