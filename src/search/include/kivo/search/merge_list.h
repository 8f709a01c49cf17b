// MergeList: the recordings chosen in the search dialog to be joined into
// one, in the order they will be joined. A locked record cannot be added
// (the caller shows message 7); a record already in the list is not added
// twice.
#pragma once

#include <cstddef>
#include <vector>

#include "kivo/search/record_search.h"

namespace kivo::search {

inline constexpr int kLockedRecordMessage = 7;

class MergeList {
public:
    enum class Added { kAdded, kLocked, kAlreadyListed };

    Added Add(const SearchRow& row);
    // Each moves or removes the entry at position; false when there is none
    // (or it cannot move further). A moved entry keeps being the same entry.
    bool MoveUp(std::size_t position);
    bool MoveDown(std::size_t position);
    bool Remove(std::size_t position);

    const std::vector<SearchRow>& entries() const { return entries_; }

private:
    std::vector<SearchRow> entries_;
};

}  // namespace kivo::search
