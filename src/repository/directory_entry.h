// One member entry of the directory, held in memory in the "XR01" form
// whichever version it was read from, and its two encodings: the 99-byte
// "XR01" directory entry (also the internal entry at the head of each member
// block) and the 48-byte "XR00" directory record. Layouts in
// docs/formats/repository.md.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "kivo/repository/repository_format.h"
#include "kivo/repository/repository_time.h"
#include "kivo/repository/status_record.h"
#include "repository_header.h"

namespace kivo::repository {

struct DirectoryEntry {
    std::uint32_t entry_length = format::kEntryBytes;  // 0 for entries read from "XR00"
    // Absolute offset of the member block in the file that holds the
    // repository (for "XR01", of its internal directory entry).
    std::uint64_t member_offset = 0;
    FileTime created = 0;
    FileTime accessed = 0;
    FileTime written = 0;
    SystemTime stored;
    SystemTime deleted_at;
    std::uint32_t size_bytes = 0;
    std::uint32_t attributes = format::kAttributeNormal;
    std::uint32_t deleted = 0;  // the deleted mark; anything but 0 counts as deleted
    std::uint32_t version = 0;
    std::string name;

    bool is_deleted() const { return deleted != 0; }
    bool operator==(const DirectoryEntry&) const = default;
};

// The member block's length: internal entry, name and data for "XR01"; the
// data alone for "XR00".
std::uint64_t BlockBytes(const DirectoryEntry& entry, FormatVersion version);
// Where the member data begins.
std::uint64_t DataOffset(const DirectoryEntry& entry, FormatVersion version);
// The bytes a directory entry takes in the directory (entry or record and name).
std::uint64_t DirectoryEntryBytes(const DirectoryEntry& entry, FormatVersion version);

using EntryBytes = std::array<std::uint8_t, format::kEntryBytes>;
using RecordBytes = std::array<std::uint8_t, format::kRecordBytes>;

// The entry as Info and AllInfo report it (nested flag not examined).
EntryInfo EntryInfoOf(const DirectoryEntry& entry);

// The fixed part of an entry as read, before its name.
struct DecodedEntry {
    DirectoryEntry entry;  // name still empty; member_offset made absolute
    std::uint32_t name_length = 0;
    bool continuation = false;
    bool has_magic = true;         // "XR01": the entry begins with "DIR"
    bool offset_overflow = false;  // the offset plus the repository start overflowed
};

// `repository_start` is added to the stored member offset.
DecodedEntry DecodeEntry(const std::uint8_t* bytes, std::uint64_t repository_start);
DecodedEntry DecodeRecord(const std::uint8_t* bytes, std::uint64_t repository_start);

// Internal entries carry continuation 0 and reserved 0. Offsets are written
// relative to repository_start.
EntryBytes EncodeEntry(const DirectoryEntry& entry, std::uint64_t repository_start,
                       bool continuation);
RecordBytes EncodeRecord(const DirectoryEntry& entry, std::uint64_t repository_start,
                         bool continuation);

}  // namespace kivo::repository
