// Copying member data from one place in the repository file to another, in
// blocks of 64 KiB (restoring a version appends a copy of its data).
#pragma once

#include <cstdint>
#include <string>

#include "kivo/repository/engine.h"
#include "repository_writer.h"

namespace kivo::repository {

// Per block: seek to the source (RPS10 13), read (RPS02 28 / 29), seek to the
// target (RPS10 14), write (RPS02 30 / 31); the callback follows each read
// (phase 0) and write (phase 1) with `label`. The ranges must not overlap.
bool CopyWithinRepository(RepositoryWriter& repository, std::uint64_t from, std::uint64_t to,
                          std::uint64_t length, const std::string& label,
                          const ProgressCallback& progress);

}  // namespace kivo::repository
