// Replacing the whole content of a small file so that a crash, a full disk or
// a failed call leaves either the old file or the new one, never a mix.
//
// The bytes are written to "<path>.new" beside the file (made anew, never
// through a symbolic link; a leftover of an earlier crash is removed first),
// given their permissions, synced, and renamed over the path; then the folder
// is synced. When a step before the rename fails, the temporary file is
// removed, the old file is as it was, and the step's status is returned.
// The folder's sync comes after the new file is in place: its failure is not
// reported, since the replacement has already happened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kivo/filesystem/file_system.h"

namespace kivo::filesystem {

// The suffix of the temporary file beside the one being replaced.
inline constexpr const char* kReplacementSuffix = ".new";

// permissions: the new file's mode bits, set exactly (the umask does not
// reduce them).
FsStatus ReplaceWholeFile(FileSystem& file_system, const std::string& path, std::string_view bytes,
                          std::uint32_t permissions);

// Makes the folder and its missing parents, each new one with `permissions`;
// an existing folder is left as it is. ENOTDIR when a part is not a folder.
FsStatus MakeDirectories(FileSystem& file_system, const std::string& path,
                         std::uint32_t permissions);

}  // namespace kivo::filesystem
