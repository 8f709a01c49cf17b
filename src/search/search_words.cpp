#include "kivo/search/search_words.h"

#include <algorithm>

#include "kivo/recordstore/text_encoding.h"
#include "kivo/search/search_text.h"
#include "kivo/thesaurus/thesaurus.h"

namespace kivo::search {
namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

SearchWords SearchWords::FromKeywordText(std::string_view keyword_text) {
    SearchWords result;
    const std::string text = SearchableText(keyword_text);
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && IsSeparator(text[start]))
            ++start;
        std::size_t end = start;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        if (end > start) {
            SearchWord word;
            result.AddVariant(word, std::string_view(text).substr(start, end - start));
            result.words_.push_back(std::move(word));
        }
        start = end;
    }
    return result;
}

void SearchWords::AddVariant(SearchWord& word, std::string_view text) {
    if (word.variants.size() >= kMaxVariantsPerWord)
        return;
    const std::string variant(recordstore::CutAtCharBoundary(text, kMaxVariantBytes));
    if (variant.empty() ||
        std::find(word.variants.begin(), word.variants.end(), variant) != word.variants.end()) {
        return;
    }
    word.variant_bytes.push_back(ByteSet::Of(variant));
    word.variants.push_back(variant);
    word.matches.push_back(0);
}

void SearchWords::Widen(thesaurus::Thesaurus& thesaurus) {
    for (SearchWord& word : words_) {
        // Asks for more than fit: some may repeat others once upper-cased.
        const auto related = thesaurus.RelatedWords(word.variants.front(), 2 * kMaxVariantsPerWord);
        for (const std::string& text : related)
            AddVariant(word, SearchableText(text));
    }
}

ByteSet ByteSet::Of(std::string_view text) {
    ByteSet set;
    set.Add(text);
    return set;
}

void ByteSet::Add(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        bits[byte >> 6] |= std::uint64_t{1} << (byte & 63);
    }
}

std::optional<VariantMatch> SearchWords::FirstMatch(std::string_view first_text,
                                                    std::string_view second_text) const {
    ByteSet present = ByteSet::Of(first_text);
    present.Add(second_text);
    for (std::size_t w = 0; w < words_.size(); ++w) {
        const auto& variants = words_[w].variants;
        for (std::size_t v = 0; v < variants.size(); ++v) {
            if (!present.Contains(words_[w].variant_bytes[v]))
                continue;
            if (Contains(first_text, variants[v]) || Contains(second_text, variants[v]))
                return VariantMatch{w, v};
        }
    }
    return std::nullopt;
}

void SearchWords::Count(const VariantMatch& match) {
    if (match.word < words_.size() && match.variant < words_[match.word].matches.size())
        ++words_[match.word].matches[match.variant];
}

std::vector<StatisticsRow> SearchWords::Statistics() const {
    std::vector<StatisticsRow> rows;
    for (const SearchWord& word : words_) {
        int total = 0;
        for (int count : word.matches)
            total += count;
        rows.push_back({word.variants.front(), total});
        for (std::size_t v = 1; v < word.variants.size(); ++v) {
            if (word.matches[v] > 0)
                rows.push_back({word.variants.front() + " > " + word.variants[v], word.matches[v]});
        }
    }
    return rows;
}

}  // namespace kivo::search
