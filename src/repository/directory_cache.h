// Directories of large repositories kept in memory between the calls of this
// process, so that a call on a repository of 10,000 members that finds its
// directory as the last call left it need not decode 10,000 entries again.
//
// Nothing is trusted: a kept directory is used only when the file holds, at
// the same directory offset, exactly the bytes it was kept with (read and
// compared on every opening), so what is used is what decoding those bytes
// gives. A directory is kept only when that is so by construction: "XR01",
// at the start of its file, every entry 99 bytes long as written, every
// block in place before the directory. A call takes the directory out and
// gives it back only when it ends well, so a failed call leaves nothing.
#pragma once

#include <cstdint>
#include <optional>
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

// Takes the kept directory of the file out, if there is one.
std::optional<KeptDirectory> TakeKeptDirectory(const std::string& real_path);

// Keeps it for the next call (a few files at most; the oldest goes).
void KeepDirectory(KeptDirectory kept);

}  // namespace kivo::repository
