// Reading and writing the repository header.
#include "repository_header.h"

#include "byte_fields.h"
#include "kivo/repository/repository_format.h"

namespace kivo::repository {

std::uint64_t HeaderBytes(FormatVersion version) {
    return version == FormatVersion::kXr01 ? format::kHeaderBytesXr01 : format::kHeaderBytesXr00;
}

HeaderPrefix ClassifyHeaderPrefix(const std::uint8_t* bytes) {
    if (bytes[0] != 'X' || bytes[1] != 'R') {
        return HeaderPrefix::kWrongMagic;
    }
    if (bytes[2] == '0' && bytes[3] == '0') {
        return HeaderPrefix::kXr00;
    }
    if (bytes[2] == '0' && bytes[3] == '1') {
        return HeaderPrefix::kXr01;
    }
    return HeaderPrefix::kUnknownVersion;
}

RepositoryHeader DecodeHeader(const std::uint8_t* bytes, FormatVersion version) {
    RepositoryHeader header;
    header.version = version;
    if (version == FormatVersion::kXr01) {
        header.header_length = GetU32(bytes + format::kXr01HeaderLengthOffset);
        header.entry_count = GetU32(bytes + format::kXr01EntryCountOffset);
        header.directory_offset = GetU64(bytes + format::kXr01DirectoryOffsetOffset);
        header.written = GetSystemTime(bytes + format::kXr01HeaderTimeOffset);
    } else {
        header.header_length = format::kHeaderBytesXr00;
        header.directory_offset = GetU32(bytes + format::kXr00DirectoryOffsetOffset);
        header.written = GetSystemTime(bytes + format::kXr00HeaderTimeOffset);
    }
    return header;
}

std::vector<std::uint8_t> EncodeHeader(const RepositoryHeader& header) {
    std::vector<std::uint8_t> bytes(HeaderBytes(header.version), 0);
    bytes[0] = 'X';
    bytes[1] = 'R';
    bytes[2] = '0';
    if (header.version == FormatVersion::kXr01) {
        bytes[3] = '1';
        PutU32(&bytes[format::kXr01HeaderLengthOffset], format::kHeaderBytesXr01);
        PutU32(&bytes[format::kXr01EntryCountOffset], header.entry_count);
        PutU64(&bytes[format::kXr01DirectoryOffsetOffset], header.directory_offset);
        PutSystemTime(&bytes[format::kXr01HeaderTimeOffset], header.written);
    } else {
        bytes[3] = '0';
        PutU32(&bytes[format::kXr00DirectoryOffsetOffset],
               static_cast<std::uint32_t>(header.directory_offset));
        PutSystemTime(&bytes[format::kXr00HeaderTimeOffset], header.written);
    }
    return bytes;
}

}  // namespace kivo::repository
