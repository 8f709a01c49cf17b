// New files and folders under names no one else uses: a prefix and six
// random letters or digits, as mkstemp and mkdtemp make them, created through
// the file-system seam so that a name already taken is never opened.
#pragma once

#include <memory>
#include <string>

#include "kivo/filesystem/file_system.h"

namespace kivo::recordstore {

// Creates and opens (for reading and writing, mode 0600, never through a
// symbolic link) a new file prefix + "XXXXXX"; *path receives its name.
filesystem::FsResult<std::unique_ptr<filesystem::File>> CreateUniqueFile(
    filesystem::FileSystem& file_system, const std::string& prefix, std::string* path);

// Makes a new folder prefix + "XXXXXX" with mode 0700; *path receives its name.
filesystem::FsStatus MakeUniqueFolder(filesystem::FileSystem& file_system,
                                      const std::string& prefix, std::string* path);

}  // namespace kivo::recordstore
