// What the members of a recording file may honestly be: how many there are,
// plain file names only, and how large each kind of member can be. A file beyond these limits is
// refused before anything is unpacked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kivo/recordstore/store_repository.h"

namespace kivo::exchange {

// Nullopt when the members are within the limits, else why not.
std::optional<std::string> MemberLimitFault(const std::vector<recordstore::MemberInfo>& members);

}  // namespace kivo::exchange
