#include "kivo/search/variant_matcher.h"

#include <algorithm>
#include <deque>

namespace kivo::search {

VariantMatcher::VariantMatcher(const SearchWords& words, std::size_t max_table_entries)
    : words_(words) {
    for (std::size_t w = 0; w < words.words().size(); ++w) {
        for (std::size_t v = 0; v < words.words()[w].variants.size(); ++v)
            rank_match_.push_back({w, v});
    }
    Compile(max_table_entries);
}

void VariantMatcher::Compile(std::size_t max_table_entries) {
    // Classes: one per byte value that occurs in a variant, 0 for the rest.
    std::size_t pattern_bytes = 0;
    for (const SearchWord& word : words_.words()) {
        for (const std::string& variant : word.variants) {
            pattern_bytes += variant.size();
            for (char c : variant) {
                auto& cls = byte_class_[static_cast<unsigned char>(c)];
                if (cls == 0)
                    cls = static_cast<std::uint8_t>(class_count_++);
            }
        }
    }
    // Upper bound of the states: one per variant byte and the root.
    if (rank_match_.empty() || (pattern_bytes + 1) * class_count_ > max_table_entries) {
        class_count_ = 1;
        return;
    }
    // ASCII lower-case letters read as their upper case (variants hold none).
    for (char c = 'a'; c <= 'z'; ++c) {
        byte_class_[static_cast<unsigned char>(c)] =
            byte_class_[static_cast<unsigned char>(c - 'a' + 'A')];
    }

    // The trie of the variants; 0 in next means "no edge yet" (the root is
    // never the target of a trie edge).
    std::vector<std::uint32_t> next(class_count_, 0);
    std::vector<std::uint32_t> rank(1, kNoRank);
    std::uint32_t current_rank = 0;
    for (const SearchWord& word : words_.words()) {
        for (const std::string& variant : word.variants) {
            std::uint32_t state = 0;
            for (char c : variant) {
                const std::size_t slot =
                    state * class_count_ + byte_class_[static_cast<unsigned char>(c)];
                if (next[slot] == 0) {
                    next[slot] = static_cast<std::uint32_t>(rank.size());
                    rank.push_back(kNoRank);
                    next.resize(next.size() + class_count_, 0);
                }
                state = next[slot];
            }
            rank[state] = std::min(rank[state], current_rank++);
        }
    }

    // Breadth first: the failure link of each state, then its missing edges
    // taken from its failure state, which is always nearer the root and so
    // complete already.
    std::vector<std::uint32_t> failure(rank.size(), 0);
    std::deque<std::uint32_t> queue;
    for (std::size_t cls = 0; cls < class_count_; ++cls) {
        if (next[cls] != 0)
            queue.push_back(next[cls]);
    }
    while (!queue.empty()) {
        const std::uint32_t state = queue.front();
        queue.pop_front();
        rank[state] = std::min(rank[state], rank[failure[state]]);
        for (std::size_t cls = 0; cls < class_count_; ++cls) {
            std::uint32_t& edge = next[state * class_count_ + cls];
            const std::uint32_t fallback = next[failure[state] * class_count_ + cls];
            if (edge == 0) {
                edge = fallback;
            } else {
                failure[edge] = fallback;
                queue.push_back(edge);
            }
        }
    }
    next_state_ = std::move(next);
    state_rank_ = std::move(rank);
}

std::uint32_t VariantMatcher::LowestRank(std::string_view text, std::uint32_t best) const {
    std::uint32_t state = 0;
    for (char c : text) {
        state = next_state_[state * class_count_ + byte_class_[static_cast<unsigned char>(c)]];
        best = std::min(best, state_rank_[state]);
    }
    return best;
}

std::optional<VariantMatch> VariantMatcher::FirstMatch(std::string_view first_text,
                                                       std::string_view second_text) const {
    if (!compiled())
        return words_.FirstMatch(first_text, second_text);
    std::uint32_t best = LowestRank(first_text, kNoRank);
    if (best != 0)
        best = LowestRank(second_text, best);
    if (best == kNoRank)
        return std::nullopt;
    return rank_match_[best];
}

}  // namespace kivo::search
