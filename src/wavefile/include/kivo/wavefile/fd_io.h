// Whole reads and writes on POSIX file descriptors, retrying interrupted and
// short calls. The wave files, take files and the editable recording's
// scratch file all go through these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::wavefile {

// Writes all size_bytes; false on an error or when the file takes no more.
bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size_bytes);

// Reads exactly size_bytes at offset (the file position is not used); false
// on an error or when the file ends first.
bool ReadAllAt(int fd, std::uint64_t offset, std::uint8_t* bytes, std::size_t size_bytes);

}  // namespace kivo::wavefile
