// Appending a record line to a record log in the working folder. The line is
// checked first (401 bytes, ending in its only line feed, no CR or NUL), so a
// short or broken ".xrl" file never lands in a log. A log whose length is not
// a multiple of 401 (a write torn by a crash) gets the new line at the end of
// its last complete line, over the torn tail, and a missing or empty log gets
// its header line first: every record line starts at a positive multiple of
// 401, as every reader expects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivo::recordstore {

// Reads the first 401 bytes of a record-line file and checks them.
std::optional<std::string> ReadRecordLineFile(const std::string& path, std::string* error);

// Appends line (401 checked bytes) to the log at log_path, creating it when
// missing, under an exclusive lock of the whole log that waits at most a few
// seconds for another writer. Returns the byte offset of the line.
std::optional<std::uint64_t> AppendRecordLine(const std::string& log_path, const std::string& line,
                                              std::string* error);

}  // namespace kivo::recordstore
