// The recorder's raw PCM files: each take (one Record ... Stop span) goes to a
// take file, and every finished take is appended to the accumulated file,
// from which the wave file is written on save.
#pragma once

#include <string>

namespace kivo::wavefile {

inline constexpr int kAppendTakeOk = 0;
inline constexpr int kAppendTakeCannotOpenTake = 220;
inline constexpr int kAppendTakeCannotOpenAccumulated = 221;

// Appends the whole take file to the end of the accumulated file (creating
// it), copying in 32768-byte pieces. Returns 0, 220 when the take file cannot
// be opened, or 221 when the accumulated file cannot be opened or written.
int AppendTakeFile(const std::string& take_path, const std::string& accumulated_path);

}  // namespace kivo::wavefile
