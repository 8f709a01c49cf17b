#include "kivo/search/merge_list.h"

#include <algorithm>
#include <utility>

namespace kivo::search {

MergeList::Added MergeList::Add(const SearchRow& row) {
    if (row.locked)
        return Added::kLocked;
    const bool listed = std::any_of(entries_.begin(), entries_.end(), [&](const SearchRow& entry) {
        return entry.record_number == row.record_number;
    });
    if (listed)
        return Added::kAlreadyListed;
    entries_.push_back(row);
    return Added::kAdded;
}

bool MergeList::MoveUp(std::size_t position) {
    if (position == 0 || position >= entries_.size())
        return false;
    std::swap(entries_[position - 1], entries_[position]);
    return true;
}

bool MergeList::MoveDown(std::size_t position) {
    if (position + 1 >= entries_.size())
        return false;
    std::swap(entries_[position], entries_[position + 1]);
    return true;
}

bool MergeList::Remove(std::size_t position) {
    if (position >= entries_.size())
        return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

}  // namespace kivo::search
