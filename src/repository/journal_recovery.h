// What opening a repository does with the journal of an interrupted call.
//
// With write access the call is finished for good: a rollback journal's saved
// ranges are written back and the file cut to its old size; a compaction is
// completed from its last checkpoint. Without write access (a read-only file
// or folder) the repository is read through a view of its last committed
// state, assembled from the file and the journal, and nothing is changed.
#pragma once

#include <memory>
#include <string>

#include "engine_context.h"
#include "journal_file.h"
#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

// Undoes (rollback) or completes (compaction) the call the journal belongs
// to, syncs the repository and removes the journal. On failure adds a
// message to the context's status record and leaves the journal in place.
bool FinishInterruptedCall(const EngineContext& context, const std::string& path,
                           filesystem::File& writable_file, const JournalInspection& inspection);

// A read-only File showing the repository as its last committed state holds
// it, over `file` (the repository as it lies on disk) and the journal.
// Null, with a message added, when the journal cannot be read.
std::unique_ptr<filesystem::File> MakeCommittedStateView(const EngineContext& context,
                                                         const std::string& path,
                                                         filesystem::File& file,
                                                         const JournalInspection& inspection);

}  // namespace kivo::repository
