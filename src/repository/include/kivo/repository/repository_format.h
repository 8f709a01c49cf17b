// Named constants of the repository file format (docs/formats/repository.md).
// All integers are little-endian; structures are packed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::repository::format {

// Repository header, "XR01" (36 bytes) and "XR00" (24 bytes).
inline constexpr std::size_t kMagicOffset = 0;    // "XR"
inline constexpr std::size_t kVersionOffset = 2;  // "00" or "01"
inline constexpr std::size_t kHeaderBytesXr01 = 36;
inline constexpr std::size_t kHeaderBytesXr00 = 24;
inline constexpr std::size_t kXr01HeaderLengthOffset = 4;      // u32, 36
inline constexpr std::size_t kXr01EntryCountOffset = 8;        // u32
inline constexpr std::size_t kXr01DirectoryOffsetOffset = 12;  // u64
inline constexpr std::size_t kXr01HeaderTimeOffset = 20;       // SYSTEMTIME
inline constexpr std::size_t kXr00DirectoryOffsetOffset = 4;   // u32
inline constexpr std::size_t kXr00HeaderTimeOffset = 8;        // SYSTEMTIME

// Where the first member block goes, in both versions.
inline constexpr std::uint64_t kFirstBlockOffset = 36;

// Directory entry, "XR01" (99 bytes); also the internal entry of a block.
inline constexpr std::size_t kEntryBytes = 99;
inline constexpr std::size_t kEntryMagicOffset = 0;  // "DIR"
inline constexpr std::size_t kEntryLengthOffset = 3;
inline constexpr std::size_t kEntryContinuationOffset = 7;
inline constexpr std::size_t kEntryMemberOffsetOffset = 11;  // u64
inline constexpr std::size_t kEntryCreatedOffset = 19;       // FILETIME
inline constexpr std::size_t kEntryAccessedOffset = 27;
inline constexpr std::size_t kEntryWrittenOffset = 35;
inline constexpr std::size_t kEntryStoredOffset = 43;     // SYSTEMTIME
inline constexpr std::size_t kEntryDeletedAtOffset = 59;  // SYSTEMTIME
inline constexpr std::size_t kEntrySizeOffset = 75;
inline constexpr std::size_t kEntryAttributesOffset = 79;
inline constexpr std::size_t kEntryDeletedOffset = 83;
inline constexpr std::size_t kEntryNameLengthOffset = 87;
inline constexpr std::size_t kEntryVersionOffset = 91;
inline constexpr std::size_t kEntryReservedOffset = 95;

// Directory record, "XR00" (48 bytes).
inline constexpr std::size_t kRecordBytes = 48;
inline constexpr std::size_t kRecordContinuationOffset = 0;
inline constexpr std::size_t kRecordMemberOffsetOffset = 4;  // u32
inline constexpr std::size_t kRecordCreatedOffset = 8;
inline constexpr std::size_t kRecordAccessedOffset = 16;
inline constexpr std::size_t kRecordWrittenOffset = 24;
inline constexpr std::size_t kRecordSizeOffset = 32;
inline constexpr std::size_t kRecordDeletedOffset = 36;
inline constexpr std::size_t kRecordNameLengthOffset = 40;
inline constexpr std::size_t kRecordReservedOffset = 44;

inline constexpr std::size_t kSystemTimeBytes = 16;

// Windows attribute bits.
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

// Member data is copied through a buffer of this size.
inline constexpr std::size_t kCopyBlockBytes = 65536;

// Size limits.
inline constexpr std::uint64_t kMaxMemberBytes = 0xFFFFFFFFULL;  // 4 GiB - 1
inline constexpr std::uint64_t kMaxRepositoryBytes = 0xFFFFFFFFFFFFFFFFULL;
inline constexpr std::uint64_t kMaxRepositoryBytesOnFat = 0xFFFFFFFFULL;

// Nested repository paths: "outer>>inner".
inline constexpr char kNestedSeparator[] = ">>";

// The journal that makes writes crash-safe lies next to the repository.
inline constexpr char kJournalSuffix[] = "-journal";

}  // namespace kivo::repository::format
