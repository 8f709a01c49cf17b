// Thesaurus: related words for a word, the dictionary look-up that widens
// the keywords of a search ("qlwn").
//
// A thesaurus answers in lower case UTF-8, without the word itself and
// without repeats, in the order its dictionaries give them. Looking a word up
// never fails once the thesaurus is open: a word the dictionaries do not know
// has no related words.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::thesaurus {

class Thesaurus {
public:
    virtual ~Thesaurus() = default;

    // At most max_words related words of word (any letter case).
    virtual std::vector<std::string> RelatedWords(std::string_view word, std::size_t max_words) = 0;

    // The dictionaries consulted, for the user ("WordNet (English)",
    // "MyThes de_DE").
    virtual std::vector<std::string> Sources() const = 0;
};

}  // namespace kivo::thesaurus
