// Windows attributes and times of the files that are stored and extracted,
// mapped onto Linux as docs/platform-mapping.md describes: read-only when the
// owner cannot write, hidden for dot-files, creation time from the birth time
// where the file system keeps one.
#pragma once

#include <cstdint>
#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/repository_time.h"

namespace kivo::repository {

// 0x01 read-only or 0x80 normal, with 0x02 hidden for a name beginning with '.'.
std::uint32_t AttributesOf(const filesystem::FileInfo& info, const std::string& name);

// The creation time of a stored file: its birth time, else its modification time.
FileTime CreationTimeOf(const filesystem::FileInfo& info);

// The permissions an extracted file gets from its attribute bits, starting
// from the ones it was created with: write bits removed when read-only, and
// never an execute bit.
std::uint32_t PermissionsFor(std::uint32_t attributes, std::uint32_t created_permissions);

}  // namespace kivo::repository
