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
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

}  // namespace

ChangeFinder::ChangeFinder(std::string_view member, std::string_view before)
    : member_(member), before_(before) {}

void ChangeFinder::Feed(std::string_view piece) {
    std::size_t common = 0;
    if (fed_bytes_ < before_.size())
        common = static_cast<std::size_t>(
            std::min<std::uint64_t>(piece.size(), before_.size() - fed_bytes_));
    Compare(piece.data(), common);
    grown_.append(piece.substr(common));
    fed_bytes_ += piece.size();
}

// Notes the bytes of `piece` (new bytes at fed_bytes_, all inside before_'s
// length) that differ from before_, extending a run that reaches them.
void ChangeFinder::Compare(const char* piece, std::size_t length) {
    const char* old = before_.data() + fed_bytes_;
    for (std::size_t block = 0; block < length; block += kCompareBlockBytes) {
        const std::size_t block_end = std::min(length, block + kCompareBlockBytes);
        if (std::memcmp(piece + block, old + block, block_end - block) == 0)
            continue;
        for (std::size_t at = block; at < block_end; ++at) {
            if (piece[at] == old[at])
                continue;
            const std::uint64_t position = fed_bytes_ + at;
            if (!runs_.empty() && runs_.back().end() == position)
                runs_.back().bytes += piece[at];
            else
                runs_.push_back({position, std::string(1, piece[at])});
        }
    }
}

std::vector<ComponentChange> ChangeFinder::Finish() && {
    const std::uint64_t after_size = fed_bytes_;
    const std::uint64_t common = std::min<std::uint64_t>(before_.size(), after_size);
    std::vector<Stretch> stretches;
    for (const DifferingRun& run : runs_) {
        if (!stretches.empty() && run.begin - stretches.back().end < kChangeJoinGapBytes)
            stretches.back().end = run.end();
        else
            stretches.push_back({run.begin, run.end()});
    }
    if (after_size > common) {
        // The grown part joins a differing stretch that ends close to it.
        if (!stretches.empty() && common - stretches.back().end < kChangeJoinGapBytes)
            stretches.back().end = after_size;
        else
            stretches.push_back({common, after_size});
    }
    std::vector<ComponentChange> changes;
    auto run = runs_.cbegin();
    for (const Stretch& stretch : stretches)
        changes.push_back(
            {member_, stretch.begin, after_size, NewBytes(stretch.begin, stretch.end, run)});
    if (changes.empty() && after_size < before_.size())
        changes.push_back({member_, after_size, after_size, {}});
    return changes;
}

// The new bytes of [begin, end): inside before_'s length its bytes with the
// differing runs there written over them (between runs the versions agree),
// past it the grown bytes. `run` is the first run not yet used; each run
// lies wholly inside one stretch.
std::string ChangeFinder::NewBytes(std::uint64_t begin, std::uint64_t end,
                                   std::vector<DifferingRun>::const_iterator& run) const {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(end - begin));
    const std::uint64_t old_end = std::min<std::uint64_t>(end, before_.size());
    if (begin < old_end)
        bytes.assign(before_.substr(static_cast<std::size_t>(begin),
                                    static_cast<std::size_t>(old_end - begin)));
    for (; run != runs_.cend() && run->begin < old_end; ++run)
        bytes.replace(static_cast<std::size_t>(run->begin - begin), run->bytes.size(), run->bytes);
    if (end > before_.size()) {
        const std::uint64_t from = std::max<std::uint64_t>(begin, before_.size());
        bytes.append(grown_, static_cast<std::size_t>(from - before_.size()),
                     static_cast<std::size_t>(end - from));
    }
    return bytes;
}

std::vector<ComponentChange> FindChanges(std::string_view member, std::string_view before,
                                         std::string_view after) {
    ChangeFinder finder(member, before);
    finder.Feed(after);
    return std::move(finder).Finish();
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
