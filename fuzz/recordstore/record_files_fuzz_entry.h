// The fuzz entry of the record store's small text files that travel inside a
// recording container (index marks, the record line) and of the record log
// they are copied into, shared by the libFuzzer target and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::fuzz {

// The first byte chooses the reader, modulo 3 (so the seeds can begin with
// '0', '1' or '2'); the rest is the file:
//   0  an index-mark file (".xrs"): read, every mark encoded again in both
//      styles, written and read back, the comments joined;
//   1  a record-line file (".xrl"): read and parsed, its fields taken out,
//      rewritten and built again;
//   2  a record log: scanned line by line, each live record found again.
// Aborts when a reader breaks a promise its header makes. Returns 0.
int FuzzRecordFiles(const std::uint8_t* data, std::size_t size);

}  // namespace kivo::fuzz
