// A repository opened for one writing call: the reader's opening in update or
// store mode, the few places that write to the repository file, and closing
// (directory, header, commit).
//
// Writing calls follow one order, which is what makes them crash-safe:
//   BeginChanges  saves the header, everything from the append position to
//                 the end of the file, and any range rewritten in place, in
//                 the journal, and syncs it (and its folder); a deletion's
//                 BeginEntryChanges saves only the header and the entries
//                 it marks;
//   ...           the operation writes member blocks and internal entries;
//   Close         writes the directory (after BeginEntryChanges only the
//                 marked entries, where they lie) and truncates after it,
//                 writes the header, syncs the repository, and removes the
//                 journal.
// A call that fails on the way calls Abandon, which plays the journal back at
// once (the destructor does the same for a call that never closed).
//
// Locks (repository_locks.h), held until the object is destroyed: the writer
// lock (unless the engine was handed a WriterLock on the same file) and the
// access lock exclusive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "journal_file.h"
#include "repository_reader.h"

namespace kivo::repository {

enum class WriteMode {
    kUpdate,  // an existing file
    kStore,   // created when missing
};

// The steps of "adding an entry", which differ between storing and restoring.
struct AddEntrySteps {
    int entry_write_error;
    int entry_short_write;
    int name_short_write;
    int position_after;  // RPS10: reading the position after the entry and name
};

class RepositoryWriter : public RepositoryReader {
public:
    explicit RepositoryWriter(EngineContext context);
    ~RepositoryWriter() override;

    // Opens for writing; an empty file becomes an empty "XR01" repository.
    // Nested paths are refused (RPS22).
    OpenOutcome Open(const std::string& path, WriteMode mode);
    // As RepositoryReader::OpenFileOnly, for an existing file, to write.
    OpenOutcome OpenFileOnly(const std::string& path);
    // Opens a repository whose file the caller already holds (journal
    // recovery); no journal is looked for.
    OpenOutcome OpenHeldFile(filesystem::File& file, const std::string& path);

    using RepositoryReader::directory;
    RepositoryDirectory& directory() { return directory_; }
    void set_append_position(std::uint64_t offset) { append_position_ = offset; }

    // Starts the journal (see above). Ranges are extra ranges the call will
    // rewrite in place, inside the file as it is now. Later calls do nothing.
    bool BeginChanges(const std::vector<ByteRange>& in_place = {});
    // Starts the journal of a call that changes only fields of the given
    // existing entries (deleting them) and adds none: it saves the header,
    // their internal entries and their directory entries, and Close rewrites
    // those directory entries where they lie instead of the whole directory.
    // Where the directory cannot be changed in place (the file goes on after
    // it), the same as BeginChanges with the internal entries.
    bool BeginEntryChanges(const std::vector<std::size_t>& entries);
    // Starts a compaction's journal with its first checkpoint.
    bool BeginCompaction(std::uint64_t window_capacity, const Checkpoint& first,
                         std::span<const std::uint8_t> first_window);
    Journal& journal() { return *journal_; }
    // Continues under a compaction journal found on disk (recovery).
    void AdoptCompactionJournal(const JournalInspection& inspection);
    // A recovery's own session: when it fails, its journal is left for the
    // next open instead of being played back again at once.
    void set_recovering() { recovering_ = true; }
    // Writes at the current position: RPS02 with error_step or short_step.
    bool Write(const void* data, std::size_t size, int error_step, int short_step);
    // Copies `size` bytes of `source`, from source_offset on, to the current
    // position, through `buffer` where the kernel cannot copy. A failing or
    // short write of the repository is reported as Write reports it; what
    // befell the source is for the caller to report from the result.
    filesystem::CopyResult CopyIn(filesystem::File& source, std::uint64_t source_offset,
                                  std::size_t size, filesystem::PageAlignedBuffer& buffer,
                                  int error_step, int short_step);
    // Syncs the repository file (RPS02 with the sync step).
    bool Sync();
    // Lets the disk start on what was written in the range (a hint).
    void StartWriteback(std::uint64_t offset, std::uint64_t length) {
        file_->StartWriteback(offset, length);
    }
    // Marks entry `index` deleted at the current time and, for "XR01",
    // rewrites its internal entry in place.
    bool MarkDeleted(std::size_t index);
    // Rewrites the internal entry of entry `index` as it stands in memory.
    bool RewriteInternalEntry(std::size_t index);
    // Adds `entry` at the append position (the file must be positioned there):
    // marks the live entry of its name deleted, gives it the next version,
    // appends it to the directory and, for "XR01", writes its internal entry
    // and name, moving the append position past them.
    bool AddEntry(DirectoryEntry entry, const AddEntrySteps& steps);

    // Ends a successful operation: sizes into the status record; writes the
    // directory and the header and commits.
    bool Close();
    // Ends a failed operation: nothing more is written and what was written
    // is undone from the journal.
    void Abandon();

private:
    // What the reader's opening gave, for a writing call.
    OpenOutcome AfterOpening(OpenOutcome outcome);
    // Saves the ranges and the header in a new rollback journal.
    bool StartRollbackJournal(std::vector<ByteRange> ranges);
    // Where each directory entry lies, as the directory was read.
    std::vector<std::uint64_t> DirectoryEntryOffsets() const;
    // 99 for "XR01" entries, 48 for "XR00" records.
    std::uint64_t FixedEntryBytes() const;
    // Rewrites the entries BeginEntryChanges named, where they lie.
    bool RewriteChangedEntries();
    bool WriteFreshHeader();
    bool WriteDirectory();
    // Write, naming the short-write step by how far the write got.
    bool WriteReporting(const void* data, std::size_t size, int error_step,
                        const std::function<int(std::size_t)>& short_step_at);
    bool WriteHeader();
    bool Covered(std::uint64_t offset, std::uint64_t size) const;

    // The sizes of the repository as it was when opened, for a failed call.
    std::optional<Sizes> original_sizes_;
    FormatVersion original_version_ = FormatVersion::kXr01;

    std::unique_ptr<Journal> journal_;
    JournalKind journal_kind_ = JournalKind::kRollback;
    std::vector<ByteRange> protected_ranges_;
    // Set by BeginEntryChanges: the directory is changed in place, entry by
    // entry (index, offset in the file).
    bool directory_in_place_ = false;
    std::vector<std::pair<std::size_t, std::uint64_t>> changed_entries_;
    bool finished_ = false;
    bool recovering_ = false;
};

}  // namespace kivo::repository
