// The repository header: "XR01" (36 bytes) or "XR00" (24 bytes), at the start
// of the repository. Layout in docs/formats/repository.md.
#pragma once

#include <cstdint>
#include <vector>

#include "kivo/repository/repository_time.h"

namespace kivo::repository {

enum class FormatVersion { kXr00, kXr01 };

struct RepositoryHeader {
    FormatVersion version = FormatVersion::kXr01;
    std::uint32_t header_length = 36;  // as read; always written as 36
    std::uint32_t entry_count = 0;     // "XR01" only; "XR00" counts while reading
    // Relative to the repository start; 0 when there are no entries.
    std::uint64_t directory_offset = 0;
    SystemTime written;
};

// The header's size on disk: 36 for "XR01", 24 for "XR00".
std::uint64_t HeaderBytes(FormatVersion version);

enum class HeaderPrefix { kXr00, kXr01, kWrongMagic, kUnknownVersion };
// Classifies the first four bytes of a repository.
HeaderPrefix ClassifyHeaderPrefix(const std::uint8_t* first_four_bytes);

// `bytes` holds HeaderBytes(version) bytes.
RepositoryHeader DecodeHeader(const std::uint8_t* bytes, FormatVersion version);
std::vector<std::uint8_t> EncodeHeader(const RepositoryHeader& header);

}  // namespace kivo::repository
