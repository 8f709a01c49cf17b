// Path and name helpers of the record store. Member names are plain file
// names: a name that could reach outside its folder, or that Windows could
// not hold, is refused wherever a name comes from a file or a caller.
#pragma once

#include <string>
#include <string_view>

#include "kivo/filesystem/file_system.h"

namespace kivo::recordstore {

// folder + "/" + name (no second slash when folder already ends with one).
std::string JoinPath(std::string_view folder, std::string_view name);

// The part of path after its last '/'.
std::string FileNamePart(std::string_view path);

// name up to its last '.' (the whole name when it has none).
std::string BaseName(std::string_view name);

// True for a name that stays inside the folder it is joined to: not empty;
// no '/', '\\', ':' or control character; not "." or "..", no ".." inside;
// no trailing dot or space (which Windows drops); at most 255 bytes.
bool IsSafeMemberName(std::string_view name);

// ASCII case-insensitive equality: names that only differ in letter case
// are one file on Windows.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// True when the file exists (any type, symbolic links not followed).
bool PathExists(filesystem::FileSystem& file_system, const std::string& path);

}  // namespace kivo::recordstore
