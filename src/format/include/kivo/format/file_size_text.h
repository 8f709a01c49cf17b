// The size of a file as the mail texts show it: " 1.17 MB".
#pragma once

#include <cstdint>
#include <string>

namespace kivo::format {

// Two decimals in a field of five, in bytes, KB, MB or GB (powers of 1024),
// the largest unit that reads at least 1.
std::string FileSizeText(std::uint64_t size_bytes);

}  // namespace kivo::format
