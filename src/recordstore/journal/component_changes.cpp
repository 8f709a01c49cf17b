// Finding and applying component changes; see component_changes.h.
#include "kivo/recordstore/component_changes.h"

#include <algorithm>
#include <cstring>

namespace kivo::recordstore {
namespace {

// Compared a block at a time with memcmp; only differing blocks are looked
// at byte by byte.
constexpr std::size_t kCompareBlockBytes = 4096;

struct Stretch {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Where a and b (of equal length) differ, as half-open stretches.
std::vector<Stretch> DifferingStretches(const char* a, const char* b, std::size_t length) {
    std::vector<Stretch> stretches;
    for (std::size_t block = 0; block < length; block += kCompareBlockBytes) {
        const std::size_t block_end = std::min(length, block + kCompareBlockBytes);
        if (std::memcmp(a + block, b + block, block_end - block) == 0)
            continue;
        for (std::size_t at = block; at < block_end; ++at) {
            if (a[at] == b[at])
                continue;
            if (!stretches.empty() && stretches.back().end == at)
                stretches.back().end = at + 1;
            else
                stretches.push_back({at, at + 1});
        }
    }
    return stretches;
}

std::vector<Stretch> Joined(const std::vector<Stretch>& stretches) {
    std::vector<Stretch> joined;
    for (const Stretch& stretch : stretches) {
        if (!joined.empty() && stretch.begin - joined.back().end < kChangeJoinGapBytes)
            joined.back().end = stretch.end;
        else
            joined.push_back(stretch);
    }
    return joined;
}

}  // namespace

std::vector<ComponentChange> FindChanges(std::string_view member, std::string_view before,
                                         std::string_view after) {
    const std::size_t common = std::min(before.size(), after.size());
    std::vector<Stretch> stretches =
        Joined(DifferingStretches(before.data(), after.data(), common));
    if (after.size() > common) {
        // The grown part joins a differing stretch that ends close to it.
        if (!stretches.empty() && common - stretches.back().end < kChangeJoinGapBytes)
            stretches.back().end = after.size();
        else
            stretches.push_back({common, after.size()});
    }
    std::vector<ComponentChange> changes;
    for (const Stretch& stretch : stretches) {
        changes.push_back({std::string(member), stretch.begin, after.size(),
                           std::string(after.substr(stretch.begin, stretch.end - stretch.begin))});
    }
    if (changes.empty() && after.size() < before.size())
        changes.push_back({std::string(member), after.size(), after.size(), {}});
    return changes;
}

void ApplyChange(const ComponentChange& change, std::string& content) {
    const std::uint64_t end = change.offset_bytes + change.bytes.size();
    if (content.size() < end)
        content.resize(static_cast<std::size_t>(end), '\0');
    content.replace(static_cast<std::size_t>(change.offset_bytes), change.bytes.size(),
                    change.bytes);
    content.resize(static_cast<std::size_t>(change.new_size_bytes), '\0');
}

}  // namespace kivo::recordstore
