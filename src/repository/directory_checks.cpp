// Placement checks of the member blocks named by a directory.
#include "directory_checks.h"

#include <algorithm>

#include "member_names.h"
#include "messages.h"

namespace kivo::repository {

std::vector<std::size_t> FindMisplacedBlocks(const RepositoryDirectory& directory,
                                             FormatVersion version, std::uint64_t blocks_begin,
                                             std::uint64_t blocks_end, StatusRecord& status) {
    std::vector<int> bad_field(directory.size(), 0);
    std::vector<std::size_t> by_offset;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const DirectoryEntry& entry = directory.at(i);
        std::uint64_t block_bytes = BlockBytes(entry, version);
        if (entry.member_offset < blocks_begin || entry.member_offset > blocks_end) {
            bad_field[i] = field::kMemberOffset;
        } else if (block_bytes > blocks_end - entry.member_offset) {
            bad_field[i] = field::kSize;
        } else if (block_bytes > 0) {
            by_offset.push_back(i);
        }
    }
    // Blocks are appended in directory order, so the offsets usually rise
    // already; only then is the sort skipped (with no two offsets equal, the
    // sorted order is this one).
    const auto offset_of = [&](std::size_t i) { return directory.at(i).member_offset; };
    const bool rising =
        std::adjacent_find(by_offset.begin(), by_offset.end(), [&](std::size_t a, std::size_t b) {
            return offset_of(a) >= offset_of(b);
        }) == by_offset.end();
    if (!rising) {
        std::sort(by_offset.begin(), by_offset.end(),
                  [&](std::size_t a, std::size_t b) { return offset_of(a) < offset_of(b); });
    }
    std::uint64_t previous_end = blocks_begin;
    for (std::size_t index : by_offset) {
        const DirectoryEntry& entry = directory.at(index);
        if (entry.member_offset < previous_end) {
            bad_field[index] = field::kMemberOffset;
            continue;
        }
        previous_end = entry.member_offset + BlockBytes(entry, version);
    }
    std::vector<std::size_t> misplaced;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        if (bad_field[i] != 0) {
            status.Add(MakeMessage(MessageCode::kDirectoryFieldCorrupt,
                                   {bad_field[i], PrintableName(directory.at(i).name)}));
            misplaced.push_back(i);
        }
    }
    return misplaced;
}

bool BlocksFollowInPlace(const RepositoryDirectory& directory, FormatVersion version,
                         std::uint64_t blocks_begin, std::uint64_t blocks_end) {
    std::uint64_t previous_end = blocks_begin;
    for (const DirectoryEntry& entry : directory.entries()) {
        const std::uint64_t block_bytes = BlockBytes(entry, version);
        if (entry.member_offset < blocks_begin || entry.member_offset > blocks_end ||
            block_bytes > blocks_end - entry.member_offset) {
            return false;
        }
        if (block_bytes > 0) {
            if (entry.member_offset < previous_end) {
                return false;
            }
            previous_end = entry.member_offset + block_bytes;
        }
    }
    return true;
}

std::optional<std::size_t> FirstBlockOutOfOrder(const RepositoryDirectory& directory,
                                                FormatVersion version) {
    std::uint64_t previous_end = 0;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const DirectoryEntry& entry = directory.at(i);
        if (BlockBytes(entry, version) == 0) {
            continue;
        }
        if (entry.member_offset < previous_end) {
            return i;
        }
        previous_end = entry.member_offset + BlockBytes(entry, version);
    }
    return std::nullopt;
}

}  // namespace kivo::repository
