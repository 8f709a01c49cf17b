// RecordingExport: the preparation every export and every e-mail shares.
//
//   1. The selected recording files are taken out of the data store in one
//      repository call, into a private staging folder (export_staging.h).
//      When that fails nothing is prepared and the answer is 111.
//   2. Each copy gets the record's keywords (from the record index) as the
//      member B.xrk, B being the copy's name up to its last '.'.
//   3. When locking was chosen, each copy's record line gets "X" in field 6.
//
// Steps 2 and 3 change the copy only, never the data store: the store is
// only read. A copy is compacted after its members change, so a locked copy
// holds no older, unlocked version of its record line. A failure of one
// copy (127 keywords, 112 or 113 lock) is noted on that copy and the others
// go on; a copy that failed is not offered for delivery.
//
// Converting and compressing (recording_compressor.h) and delivering
// (export_delivery.h) are the caller's next steps over files().
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kivo/core/store_access.h"
#include "kivo/exchange/export_options.h"
#include "kivo/exchange/export_staging.h"

namespace kivo::exchange {

// Where the recordings come from.
struct ExportSource {
    std::filesystem::path store_path;  // the data store (".xrt")
    std::filesystem::path index_path;  // its record index in the working folder
    std::filesystem::path working_folder;
    core::StoreAccess access;  // the store's calls, under its lock when held
};

struct PreparedFile {
    std::string recording_file;  // "D<stamp>.xrz" as selected
    std::filesystem::path path;  // the prepared copy in the staging folder
    int code = kExportOk;        // 0, or what failed for this copy
    std::string detail;          // why, for a log or a tool
    bool ok() const { return code == kExportOk; }
};

class RecordingExport {
public:
    explicit RecordingExport(ExportSource source);

    // Steps 1 to 3 for the recording files named (unsafe names are refused
    // as 111 on their own copy). Returns 0, or 111 when the store gave
    // nothing back (then files() is empty).
    int Prepare(const std::vector<std::string>& recording_files, const ExportOptions& options);

    const std::vector<PreparedFile>& files() const { return files_; }
    std::vector<PreparedFile>& files() { return files_; }
    const std::filesystem::path& staging_folder() const { return staging_->path(); }
    // A private folder for one file's work, inside the staging folder.
    std::filesystem::path MakeScratch() const { return staging_->MakeScratch(); }
    const std::string& last_error() const { return last_error_; }

private:
    void AddKeywords(PreparedFile& file);
    void Lock(PreparedFile& file);

    ExportSource source_;
    std::unique_ptr<ExportStaging> staging_;
    std::vector<PreparedFile> files_;
    std::string last_error_;
};

// The record line with "X" in field 6: words 1 to 14 as stored, joined by
// single spaces, padded to 400 bytes, a line feed. Empty when the bytes are
// not a record line.
std::string LockedRecordLine(const std::string& line_bytes);

// The first live member of the container whose name ends in extension
// (".xrl"), letter case ignored; empty when there is none.
std::string ContainerMemberEndingIn(const std::filesystem::path& container,
                                    const std::string& extension);

}  // namespace kivo::exchange
