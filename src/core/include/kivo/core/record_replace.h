// ReplaceRecordLine: puts the edited line of a stored record into its record
// log and the log into the data store, for a recorder that has stored the
// record's container itself. It is the line step of RecordUpdater
// (record_update.h) reached with paths instead of the open session, so it
// does not check that the store is the one the recorder was opened on; new
// code uses RecordUpdater.
//
// The line replaces the record's line in place (the first well-formed line
// of that number, as RecordLog::Find sees it), under a lock of the log;
// every other byte (header line, other records, erased lines, a torn tail)
// stays where it is. Should the store refuse the log, the previous line is
// put back, so on every failure the log is left as it was.
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

struct RecordReplaceRequest {
    std::filesystem::path record_file;     // the new 401-byte record line (".xrl")
    std::int32_t record_number = 0;        // the record whose line is replaced
    std::filesystem::path record_log;      // the kind's record log in the working folder
    std::filesystem::path store_path;      // the open data store (".xrt")
    std::filesystem::path working_folder;  // the store's working copies
};

enum class RecordReplaceStatus {
    kReplaced,
    kInvalidRecordNumber,  // not 1 to 99999998
    kRecordFileUnusable,   // missing, not a record line, or another record's line
    kLogUnreadable,        // the record log cannot be read
    kRecordNotFound,       // no live line of that number in the log
    kLogWriteFailed,       // the line could not be written into the log
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
