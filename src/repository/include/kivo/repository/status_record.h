// The result of every repository operation: the messages the call added (each
// opening with its code RPS01 ... RPS23), the highest severity among them, the
// entry list of Info and AllInfo, and the size figures computed on closing.
// An empty message list means success.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/repository/repository_time.h"

namespace kivo::repository {

// The engine's messages in code order (RPS01 = 1 ... RPS23 = 23).
enum class MessageCode {
    kOpenRepositoryFailed = 1,  // RPS01
    kRepositoryIoError,         // RPS02
    kOpenFileFailed,            // RPS03
    kFileIoError,               // RPS04
    kInvalidHeader,             // RPS05
    kMemoryAllocationError,     // RPS06
    kFileNotFound,              // RPS07
    kFileTooLarge,              // RPS08
    kInvalidFileSize,           // RPS09
    kSeekFailed,                // RPS10
    kInvalidDirectoryEntry,     // RPS11
    kRepositoryTooLarge,        // RPS12
    kVolumeUnknown,             // RPS13
    kFindFirstFailed,           // RPS14
    kFindNextFailed,            // RPS15
    kFindCloseFailed,           // RPS16
    kVersionNotFound,           // RPS17
    kGetAttributesFailed,       // RPS18
    kSetAttributesFailed,       // RPS19
    kInvalidInternalEntry,      // RPS20
    kDirectoryFieldCorrupt,     // RPS21
    kNotSupportedNested,        // RPS22
    kSizeMismatch,              // RPS23
};

// Severities, as in zn2xrrps.h.
inline constexpr int kSeverityNone = 0;
inline constexpr int kSeverityFailure = 4;
inline constexpr int kSeverityIo = 8;
inline constexpr int kSeverityDirectory = 12;
inline constexpr int kSeverityHeader = 16;

struct Message {
    MessageCode code;
    std::string text;  // "RPS07 File a.wav not found in Repository"
    int severity = 0;
};

// One entry as Info and AllInfo report it.
struct EntryInfo {
    std::string name;
    std::uint32_t version = 0;
    FileTime created = 0;
    FileTime accessed = 0;
    FileTime written = 0;
    SystemTime stored;
    SystemTime deleted_at;
    std::uint32_t size_bytes = 0;
    std::uint32_t attributes = 0;
    std::uint32_t deleted = 0;
    char nested = '?';  // '?' not examined, 'Y' a repository, 'N' not one
};

struct StatusRecord {
    std::vector<Message> messages;
    std::vector<EntryInfo> entries;
    SystemTime repository_time;
    int severity = kSeverityNone;
    std::uint64_t total_size_bytes = 0;
    std::uint64_t deleted_size_bytes = 0;

    bool ok() const { return messages.empty(); }
    void Add(Message message);
    // Whether a message with this code was added.
    bool Has(MessageCode code) const;
};

}  // namespace kivo::repository
