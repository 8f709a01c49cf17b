// ReplaceRecordLine: puts the edited line of a stored record into its record
// log and the log into the data store. Used by every editor that changes a
// stored record (the record edit dialogs, the recorder's edit mode, the
// translation editor) after it has saved the record's container itself.
//
// The log is copied 401 bytes at a time into "templog.tmp" in the working
// folder, with the new line written in place of the record's line (the
// first well-formed line of that number, as RecordLog::Find sees it); every
// other byte (header line, other records, erased lines, a torn tail) is
// copied unchanged, so every line keeps its position. The copy is synced
// and renamed over the log, and the log is put into the data store as one
// member. Should the store refuse it, the previous log is renamed back, so
// on every failure the log in the working folder is left as it was and
// "templog.tmp" is gone.
//
// The result carries the line's offset separately from the outcome: a log
// without its header line can hold a record at offset 0, which a bare offset
// with 0 for failure could not tell from a failure.
//
// Plain C++ without Qt; runs on the caller's thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kivo::core {

// Name of the copy made in the working folder while a line is replaced.
inline constexpr const char* kReplaceTemporaryName = "templog.tmp";

struct RecordReplaceRequest {
    std::filesystem::path record_file;     // the new 401-byte record line (".xrl")
    std::int32_t record_number = 0;        // the record whose line is replaced
    std::filesystem::path record_log;      // the kind's record log in the working folder
    std::filesystem::path store_path;      // the open data store (".xrt")
    std::filesystem::path working_folder;  // where "templog.tmp" is made
};

enum class RecordReplaceStatus {
    kReplaced,
    kInvalidRecordNumber,  // not 1 to 99999998
    kRecordFileUnusable,   // missing, not a record line, or another record's line
    kLogUnreadable,        // the record log cannot be read
    kRecordNotFound,       // no live line of that number in the log
    kLogWriteFailed,       // the copy could not be written or put in place
    kStoreFailed,          // the data store refused the log (the log was restored)
};

struct RecordReplaceResult {
    RecordReplaceStatus status = RecordReplaceStatus::kLogUnreadable;
    std::uint64_t offset_bytes = 0;  // position of the replaced line; only when ok()

    bool ok() const { return status == RecordReplaceStatus::kReplaced; }
};

// Replaces the record's line as described above. Should the log hold the
// number more than once (a damaged log), only the first live line is
// replaced and its offset returned.
RecordReplaceResult ReplaceRecordLine(const RecordReplaceRequest& request);

// A short English description of a status, for traces and test output.
const char* RecordReplaceStatusText(RecordReplaceStatus status);

}  // namespace kivo::core
