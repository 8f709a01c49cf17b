// Reads a repository's directory into memory, trusting nothing in it: every
// entry and name must lie inside the repository, names are allocated only
// once their length has been checked against the bytes that remain, and the
// walk ends at the repository's end however the continuation fields read.
#pragma once

#include <cstdint>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/status_record.h"
#include "repository_directory.h"
#include "repository_header.h"

namespace kivo::repository {

struct DirectoryLocation {
    FormatVersion version = FormatVersion::kXr01;
    std::uint64_t repository_start = 0;  // added to every member offset
    std::uint64_t offset = 0;            // absolute offset of the first entry
    std::uint64_t extent_end = 0;        // absolute end of the repository
};

// Reads the entries from `where.offset` on. On failure adds RPS02 (11-16),
// RPS06 (1, 2) or RPS11 to `status` and returns false. `end_offset` is set to
// where the directory ended.
bool ReadDirectory(filesystem::File& file, const DirectoryLocation& where,
                   RepositoryDirectory& directory, StatusRecord& status, std::uint64_t& end_offset);

}  // namespace kivo::repository
