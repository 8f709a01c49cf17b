// SearchWords: the words of a keyword text, each with its variants, and the
// count of records each variant let through.
//
// The keyword text is cut into words at spaces (and tabs and line breaks);
// empty words are skipped, since an empty text occurs everywhere. A word has
// up to 200 variants of at most 99 bytes (cut at a character boundary): the
// first is the word itself, the others are its related words from a
// thesaurus. Every variant is searchable text (search_text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::thesaurus {
class Thesaurus;
}

namespace kivo::search {

inline constexpr std::size_t kMaxVariantsPerWord = 200;
inline constexpr std::size_t kMaxVariantBytes = 99;

// The set of byte values in a text: a variant can only occur in a text that
// holds every byte of it, which rules most variants out before any search.
struct ByteSet {
    std::uint64_t bits[4] = {0, 0, 0, 0};

    static ByteSet Of(std::string_view text);
    void Add(std::string_view text);
    bool Contains(const ByteSet& other) const {
        return (other.bits[0] & ~bits[0]) == 0 && (other.bits[1] & ~bits[1]) == 0 &&
               (other.bits[2] & ~bits[2]) == 0 && (other.bits[3] & ~bits[3]) == 0;
    }
};

struct SearchWord {
    std::vector<std::string> variants;   // [0] is the word itself
    std::vector<ByteSet> variant_bytes;  // per variant
    std::vector<int> matches;            // per variant
};

// One line of the statistics list.
struct StatisticsRow {
    std::string word;  // "INVOICE", or for a related word "INVOICE > BILL"
    int matches = 0;
};

struct VariantMatch {
    std::size_t word = 0;
    std::size_t variant = 0;
};

class SearchWords {
public:
    static SearchWords FromKeywordText(std::string_view keyword_text);

    // Adds the thesaurus's related words of every word as its variants.
    void Widen(thesaurus::Thesaurus& thesaurus);

    bool empty() const { return words_.empty(); }
    const std::vector<SearchWord>& words() const { return words_; }

    // The test of one record: word by word, and within a word variant by
    // variant, the first variant that occurs in one of the texts; the
    // remaining words are not tried. Nothing when none occurs (or there are
    // no words, which the caller takes as a pass).
    std::optional<VariantMatch> FirstMatch(std::string_view first_text,
                                           std::string_view second_text) const;
    // Counts one record for the variant.
    void Count(const VariantMatch& match);

    // Every word with its matches (all its variants together), followed by
    // the related words that matched, each with its own count.
    std::vector<StatisticsRow> Statistics() const;

private:
    void AddVariant(SearchWord& word, std::string_view text);

    std::vector<SearchWord> words_;
};

}  // namespace kivo::search
