// Questions the tool asks of the entry list that RPS_Info and RPS_AllInfo
// return: a member's size, the bytes an operation will move, the format.
// Every function reads the record as it stands; the record is only valid
// until the next engine call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zn2xrrps.h"

namespace kivo::xrrps {

// The nodes of the entry list, in directory order.
std::vector<const RPS_ENTRY_INFO*> EntriesOf(const RPS_STATUS* status);

// The live entry of a name (the last live one in directory order), or null.
const RPS_ENTRY_INFO* FindLiveEntry(const RPS_STATUS* status, const std::string& name);

// The entry of a name and version (the last such in directory order), or null.
const RPS_ENTRY_INFO* FindVersion(const RPS_STATUS* status, const std::string& name,
                                  std::uint32_t version);

enum class RepositoryFormat { Empty, XR00, XR01, Unknown };

const char* FormatName(RepositoryFormat format);

// The format of a repository listed by RPS_AllInfo. The C interface does not
// report it, but the total size does: it counts 36 + 2 x (99 + name length) +
// data size per entry for "XR01" and 24 + 48 + name length + data size per
// entry for "XR00", and the two sums never meet. An empty file (read mode
// leaves it untouched and reports 0) is Empty.
RepositoryFormat FormatOf(const RPS_STATUS* all_info);

// Bytes a compaction moves: every live block after the first deleted entry.
std::uint64_t CompactionBytes(const RPS_STATUS* all_info, RepositoryFormat format);

}  // namespace kivo::xrrps
