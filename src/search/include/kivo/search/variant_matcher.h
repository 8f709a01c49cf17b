// VariantMatcher: every variant of every search word compiled once into one
// automaton (Aho-Corasick over bytes), so that testing a record reads each of
// its texts once, however many related words the search has.
//
// The answer is the one SearchWords::FirstMatch gives: of all the variants
// that occur in either text, the first in the words' order and, within a
// word, in the variants' order. Each state of the automaton keeps the lowest
// such rank among the variants that end there (its own and those of its
// suffixes), so one pass finds the lowest rank of the whole text.
//
// The automaton reads the ASCII letters a to z as A to Z (every variant is
// upper case), so a stored text of ASCII bytes alone needs no upper-casing
// before it is given (ReadsAsciiInAnyCase).
//
// An automaton grows with the total length of the variants; above
// kMaxTableEntries (a keyword text of hundreds of widened words) the matcher
// is not compiled and FirstMatch asks SearchWords instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "kivo/search/search_words.h"

namespace kivo::search {

class VariantMatcher {
public:
    // Transition-table entries of the largest automaton compiled (4 bytes each).
    static constexpr std::size_t kMaxTableEntries = std::size_t{1} << 22;

    // words must outlive the matcher and not change while it is used.
    explicit VariantMatcher(const SearchWords& words,
                            std::size_t max_table_entries = kMaxTableEntries);

    std::optional<VariantMatch> FirstMatch(std::string_view first_text,
                                           std::string_view second_text) const;

    // False when the variants were too many to compile (FirstMatch still
    // answers, through SearchWords).
    bool compiled() const { return !next_state_.empty(); }
    // True when ASCII text may be given in any letter case.
    bool ReadsAsciiInAnyCase() const { return compiled(); }

private:
    static constexpr std::uint32_t kNoRank = UINT32_MAX;

    void Compile(std::size_t max_table_entries);
    // The lowest rank that occurs in text, or at most `best` (kNoRank: none).
    std::uint32_t LowestRank(std::string_view text, std::uint32_t best) const;

    const SearchWords& words_;
    std::vector<VariantMatch> rank_match_;  // the word and variant of each rank
    std::uint8_t byte_class_[256] = {};     // 0: a byte in no variant
    std::size_t class_count_ = 1;
    std::vector<std::uint32_t> next_state_;  // state * class_count_ + class
    std::vector<std::uint32_t> state_rank_;  // lowest rank ending in each state
};

}  // namespace kivo::search
