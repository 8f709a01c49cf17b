// Checks that every member block a directory names lies where a block can
// lie: after the header, before the directory, and on top of no other block.
// Blocks are compared in offset order, so the check costs n log n.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "kivo/repository/status_record.h"
#include "repository_directory.h"

namespace kivo::repository {

// Returns the indices of the entries whose block is out of place, in
// directory order, and adds "RPS21 Directory field #2 (member offset) or #8
// (size) is corrupt for filename ..." for each.
std::vector<std::size_t> FindMisplacedBlocks(const RepositoryDirectory& directory,
                                             FormatVersion version, std::uint64_t blocks_begin,
                                             std::uint64_t blocks_end, StatusRecord& status);

// Whether every block lies in place, in directory order: FindMisplacedBlocks
// would refuse none. One pass, nothing allocated; false also where the blocks
// are in place but in another order.
bool BlocksFollowInPlace(const RepositoryDirectory& directory, FormatVersion version,
                         std::uint64_t blocks_begin, std::uint64_t blocks_end);

// The first entry whose block lies before the end of an earlier entry's block,
// if any. Compaction moves blocks towards the start in directory order and
// relies on their following one another in that order.
std::optional<std::size_t> FirstBlockOutOfOrder(const RepositoryDirectory& directory,
                                                FormatVersion version);

}  // namespace kivo::repository
