// One directory kept between calls (kivo/repository/kept_directories.h).
//
// A directory is kept only when decoding the bytes it is kept with gives
// it, by construction: "XR01", at the start of its file, every entry 99
// bytes long as written, every block in place before the directory. A call
// takes the directory out and gives it back only when it ends well, so a
// failed call leaves nothing.
#pragma once

#include <cstdint>
#include <string>

#include "repository_directory.h"

namespace kivo::repository {

struct KeptDirectory {
    std::string real_path;
    std::uint64_t directory_offset = 0;
    // Its encoding is the bytes the file held at directory_offset.
    RepositoryDirectory directory;
};

// Directories smaller than this are decoded in less time than the kept ones
// take to compare: not kept.
inline constexpr std::size_t kKeptDirectoryBytesAtLeast = 16384;

}  // namespace kivo::repository
