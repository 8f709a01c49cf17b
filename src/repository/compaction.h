// Compaction: every live member block after the first deleted entry moves
// towards the start of the file, in directory order, in place; the deleted
// entries leave the directory.
//
// Moving a block by less than its own length overwrites the block's own
// source, so an interrupted move cannot simply be started again. The moves
// are therefore journalled as checkpoints (journal_file.h): a checkpoint names
// how far the moves have come and saves a window of the old bytes just ahead
// of that point. Until the next checkpoint no write reaches past the window's
// end, so from the last durable checkpoint the moves can always be finished,
// reading the old bytes from the window and the file. Recovery finishes an
// interrupted compaction rather than undoing it: the deleted members it
// overwrote are gone by design, and every live member is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "directory_entry.h"
#include "journal_file.h"
#include "kivo/repository/engine.h"
#include "repository_directory.h"
#include "repository_writer.h"

namespace kivo::repository {

struct BlockMove {
    std::size_t entry_index = 0;  // in the directory after compaction
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::uint64_t length = 0;
};

struct CompactionPlan {
    std::uint64_t write_position = 0;           // the first deleted entry's block
    std::vector<BlockMove> moves;               // blocks of length 0 are not moved
    std::vector<DirectoryEntry> entries_after;  // live entries, new offsets
    std::uint64_t append_position = 0;
    std::uint64_t sources_end = 0;  // end of the last block that moves
};

// The plan for the directory as it is; nothing when no entry is deleted.
std::optional<CompactionPlan> PlanCompaction(const RepositoryDirectory& directory,
                                             FormatVersion version);

// Compacts an open repository (update mode) and closes it.
bool CompactAndClose(RepositoryWriter& repository, const ProgressCallback& progress);

// Finishes a compaction interrupted in `file` (the journal's saved header and
// directory already restored), from the journal's last checkpoint.
bool ResumeCompaction(const EngineContext& context, const std::string& path, filesystem::File& file,
                      const JournalInspection& inspection);

}  // namespace kivo::repository
