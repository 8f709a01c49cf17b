// Encoding and decoding of directory entries and records.
#include "directory_entry.h"

#include <cstring>

#include "byte_fields.h"

namespace kivo::repository {

std::uint64_t BlockBytes(const DirectoryEntry& entry, FormatVersion version) {
    std::uint64_t bytes = entry.size_bytes;
    if (version == FormatVersion::kXr01) {
        bytes += format::kEntryBytes + entry.name.size();
    }
    return bytes;
}

std::uint64_t DataOffset(const DirectoryEntry& entry, FormatVersion version) {
    if (version == FormatVersion::kXr01) {
        return entry.member_offset + format::kEntryBytes + entry.name.size();
    }
    return entry.member_offset;
}

std::uint64_t DirectoryEntryBytes(const DirectoryEntry& entry, FormatVersion version) {
    return (version == FormatVersion::kXr01 ? format::kEntryBytes : format::kRecordBytes) +
           entry.name.size();
}

EntryInfo EntryInfoOf(const DirectoryEntry& entry) {
    EntryInfo info;
    info.name = entry.name;
    info.version = entry.version;
    info.created = entry.created;
    info.accessed = entry.accessed;
    info.written = entry.written;
    info.stored = entry.stored;
    info.deleted_at = entry.deleted_at;
    info.size_bytes = entry.size_bytes;
    info.attributes = entry.attributes;
    info.deleted = entry.deleted;
    return info;
}

DecodedEntry DecodeEntry(const std::uint8_t* bytes, std::uint64_t repository_start) {
    DecodedEntry decoded;
    DirectoryEntry& entry = decoded.entry;
    decoded.has_magic = std::memcmp(bytes + format::kEntryMagicOffset, "DIR", 3) == 0;
    entry.entry_length = GetU32(bytes + format::kEntryLengthOffset);
    decoded.continuation = GetU32(bytes + format::kEntryContinuationOffset) != 0;
    decoded.offset_overflow = !CheckedAdd(GetU64(bytes + format::kEntryMemberOffsetOffset),
                                          repository_start, entry.member_offset);
    entry.created = GetU64(bytes + format::kEntryCreatedOffset);
    entry.accessed = GetU64(bytes + format::kEntryAccessedOffset);
    entry.written = GetU64(bytes + format::kEntryWrittenOffset);
    entry.stored = GetSystemTime(bytes + format::kEntryStoredOffset);
    entry.deleted_at = GetSystemTime(bytes + format::kEntryDeletedAtOffset);
    entry.size_bytes = GetU32(bytes + format::kEntrySizeOffset);
    entry.attributes = GetU32(bytes + format::kEntryAttributesOffset);
    entry.deleted = GetU32(bytes + format::kEntryDeletedOffset);
    decoded.name_length = GetU32(bytes + format::kEntryNameLengthOffset);
    entry.version = GetU32(bytes + format::kEntryVersionOffset);
    return decoded;
}

DecodedEntry DecodeRecord(const std::uint8_t* bytes, std::uint64_t repository_start) {
    DecodedEntry decoded;
    DirectoryEntry& entry = decoded.entry;
    // What an "XR00" record cannot hold takes fixed values.
    entry.entry_length = 0;
    entry.attributes = format::kAttributeNormal;
    decoded.continuation = GetU32(bytes + format::kRecordContinuationOffset) != 0;
    decoded.offset_overflow = !CheckedAdd(GetU32(bytes + format::kRecordMemberOffsetOffset),
                                          repository_start, entry.member_offset);
    entry.created = GetU64(bytes + format::kRecordCreatedOffset);
    entry.accessed = GetU64(bytes + format::kRecordAccessedOffset);
    entry.written = GetU64(bytes + format::kRecordWrittenOffset);
    entry.size_bytes = GetU32(bytes + format::kRecordSizeOffset);
    entry.deleted = GetU32(bytes + format::kRecordDeletedOffset);
    decoded.name_length = GetU32(bytes + format::kRecordNameLengthOffset);
    return decoded;
}

EntryBytes EncodeEntry(const DirectoryEntry& entry, std::uint64_t repository_start,
                       bool continuation) {
    EntryBytes bytes{};
    std::memcpy(&bytes[format::kEntryMagicOffset], "DIR", 3);
    PutU32(&bytes[format::kEntryLengthOffset], format::kEntryBytes);
    PutU32(&bytes[format::kEntryContinuationOffset], continuation ? 1 : 0);
    PutU64(&bytes[format::kEntryMemberOffsetOffset], entry.member_offset - repository_start);
    PutU64(&bytes[format::kEntryCreatedOffset], entry.created);
    PutU64(&bytes[format::kEntryAccessedOffset], entry.accessed);
    PutU64(&bytes[format::kEntryWrittenOffset], entry.written);
    PutSystemTime(&bytes[format::kEntryStoredOffset], entry.stored);
    PutSystemTime(&bytes[format::kEntryDeletedAtOffset], entry.deleted_at);
    PutU32(&bytes[format::kEntrySizeOffset], entry.size_bytes);
    PutU32(&bytes[format::kEntryAttributesOffset], entry.attributes);
    PutU32(&bytes[format::kEntryDeletedOffset], entry.deleted);
    PutU32(&bytes[format::kEntryNameLengthOffset], static_cast<std::uint32_t>(entry.name.size()));
    PutU32(&bytes[format::kEntryVersionOffset], entry.version);
    PutU32(&bytes[format::kEntryReservedOffset], 0);
    return bytes;
}

RecordBytes EncodeRecord(const DirectoryEntry& entry, std::uint64_t repository_start,
                         bool continuation) {
    RecordBytes bytes{};
    PutU32(&bytes[format::kRecordContinuationOffset], continuation ? 1 : 0);
    PutU32(&bytes[format::kRecordMemberOffsetOffset],
           static_cast<std::uint32_t>(entry.member_offset - repository_start));
    PutU64(&bytes[format::kRecordCreatedOffset], entry.created);
    PutU64(&bytes[format::kRecordAccessedOffset], entry.accessed);
    PutU64(&bytes[format::kRecordWrittenOffset], entry.written);
    PutU32(&bytes[format::kRecordSizeOffset], entry.size_bytes);
    PutU32(&bytes[format::kRecordDeletedOffset], entry.deleted);
    PutU32(&bytes[format::kRecordNameLengthOffset], static_cast<std::uint32_t>(entry.name.size()));
    PutU32(&bytes[format::kRecordReservedOffset], 0);
    return bytes;
}

}  // namespace kivo::repository
