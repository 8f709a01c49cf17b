// Appending a record line to a record log in the working folder. A log whose
// length is not a multiple of 401 (a write torn by a crash) gets the new line
// at the end of its last complete line, over the torn tail, and a missing or
// empty log gets its header line first: every record line starts at a
// positive multiple of 401, as every reader expects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::recordstore {

// Appends line to the log at log_path, creating it when missing, under an
// exclusive lock of the whole log (no sharing) that waits at most a few
// seconds for another writer. Returns the byte offset of the line.
std::optional<std::uint64_t> AppendRecordLine(filesystem::FileSystem& file_system,
                                              const std::string& log_path, const RecordLine& line,
                                              std::string* error);

// Takes a line appended at offset out of the log again (the log is cut back
// to offset), for a save that could not complete.
bool RemoveAppendedLine(filesystem::FileSystem& file_system, const std::string& log_path,
                        std::uint64_t offset, std::string* error);

}  // namespace kivo::recordstore
