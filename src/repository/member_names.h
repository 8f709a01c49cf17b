// Member names are file names, and repositories come from strangers: before a
// name becomes a path on disk (extraction) or a member (storing) it must be a
// plain file name that cannot reach outside its folder.
#pragma once

#include <string>

namespace kivo::repository {

// Why a name cannot be used as a file name in a folder; empty when it can.
// Refused: the empty name, "." and "..", and names containing '/', '\',
// a NUL byte or another control character (0x01-0x1F, 0x7F).
std::string UnsafeNameReason(const std::string& name);

// The name with control characters shown as '?', for messages.
std::string PrintableName(const std::string& name);

}  // namespace kivo::repository
