// Directory recovery: rebuilds the directory of an "XR01" repository from the
// internal directory entries at the head of its member blocks, for when the
// directory itself is damaged. The internal entries carry every field of the
// directory entries, deleted marks included.
//
// The walk starts at offset 36 and takes one block after another while the
// block begins with "DIR", names itself at its own offset, and its name and
// data lie inside the file. It stops at the first block that does not; what
// lies after it is left out. A name with more than one live entry keeps only
// the last one live (the earlier ones are marked deleted).
//
// Nothing is written unless `write` is true; then the directory is written
// after the last kept block, the header is rewritten and the file truncated,
// under the same journal that protects every other write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/engine.h"
#include "kivo/repository/status_record.h"
#include "kivo/repository/writer_lock.h"

namespace kivo::repository {

struct RecoveryReport {
    StatusRecord status;   // messages of the open or the write; sizes of the result
    bool written = false;  // the repository file was rewritten
    // Entries found, live and deleted, in file order.
    std::vector<EntryInfo> entries;
    std::uint64_t blocks_end_offset = 0;  // where the last kept block ends
    std::uint64_t file_size_bytes = 0;
    std::uint64_t directory_offset = 0;    // in the header as found; 0 if none
    std::uint32_t header_entry_count = 0;  // in the header as found
    // Why the walk stopped before the end of the file ("" when it reached the
    // header's directory offset or the end of the file).
    std::string stop_reason;
};

// `path` is a plain file path (no ">>").
RecoveryReport RecoverDirectory(filesystem::FileSystem& file_system, const std::string& path,
                                bool write, const EngineOptions& options = {});
// The same for the holder of `held` (kivo/repository/writer_lock.h), whose
// lock stands for the one a rewrite would otherwise wait for.
RecoveryReport RecoverDirectory(filesystem::FileSystem& file_system, const WriterLock& held,
                                const std::string& path, bool write,
                                const EngineOptions& options = {});
// The same on the machine's file system.
RecoveryReport RecoverDirectory(const std::string& path, bool write);

}  // namespace kivo::repository
