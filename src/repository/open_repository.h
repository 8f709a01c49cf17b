// One repository opened for the duration of one operation: opening (with the
// nested ">>" path, journal recovery, header and directory), the few places
// that write to the repository file, and closing (directory, header, commit).
//
// Writing calls follow one order, which is what makes them crash-safe:
//   BeginChanges  saves the header, everything from the append position to
//                 the end of the file, and any range rewritten in place, in
//                 the journal, and syncs it (and its folder);
//   ...           the operation writes member blocks and internal entries;
//   Close         writes the directory and truncates after it, writes the
//                 header, syncs the repository, and removes the journal.
// A call that fails on the way calls Abandon, which plays the journal back at
// once (the destructor does the same for a call that never closed).
//
// Locks (repository_locks.h), held until the object is destroyed: a reading
// call holds the access lock shared; a writing call holds the writer lock
// (unless the engine was handed a WriterLock on the same file) and the access
// lock exclusive. A reading call that finds a journal to play back becomes a
// writer for that moment if no writer holds the repository, and otherwise
// reads the last committed state through the journal.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal_file.h"
#include "kivo/filesystem/file_system.h"
#include "kivo/repository/engine.h"
#include "kivo/repository/status_record.h"
#include "repository_directory.h"
#include "repository_header.h"

namespace kivo::repository {

enum class OpenMode {
    kRead,    // an existing file, read only
    kUpdate,  // an existing file, read and write
    kStore,   // read and write, created when missing
};

enum class OpenOutcome {
    kOpened,
    kEmpty,   // read mode found an empty file: the operation ends silently
    kFailed,  // the status record says why
};

class WriterLock;

// What every part of one engine call shares.
struct EngineContext {
    filesystem::FileSystem& file_system;
    const EngineOptions& options;
    StatusRecord& status;
    // The caller's lock, when it holds one (Engine(file_system, held, ...)).
    const WriterLock* held_lock = nullptr;

    void Trace(const std::string& line) const {
        if (options.trace) {
            options.trace(line);
        }
    }
};

// The steps of "adding an entry", which differ between storing and restoring.
struct AddEntrySteps {
    int entry_write_error;
    int entry_short_write;
    int name_short_write;
    int position_after;  // RPS10: reading the position after the entry and name
};

class OpenRepository {
public:
    explicit OpenRepository(EngineContext context);
    ~OpenRepository();
    OpenRepository(const OpenRepository&) = delete;
    OpenRepository& operator=(const OpenRepository&) = delete;

    // Without allow_nested the whole path names the file, ">>" and all.
    OpenOutcome Open(const std::string& path, OpenMode mode, bool allow_nested = true);
    // Opens the outer file only: lock and journal recovery, no header or
    // directory (directory recovery reads the blocks itself and then installs
    // what it found with InstallDirectory).
    OpenOutcome OpenFileOnly(const std::string& path, OpenMode mode);
    void InstallDirectory(RepositoryDirectory directory, std::uint64_t append_position);
    // Opens a repository whose file the caller already holds (journal
    // recovery); no journal is looked for.
    OpenOutcome OpenHeldFile(filesystem::File& file, const std::string& path, OpenMode mode);

    FormatVersion version() const { return header_.version; }
    const RepositoryHeader& header() const { return header_; }
    RepositoryDirectory& directory() { return directory_; }
    const RepositoryDirectory& directory() const { return directory_; }
    // The repository's name in messages and labels: the path so far, ">>"-joined.
    const std::string& name() const { return name_; }
    // The path of the outer file.
    const std::string& file_path() const { return file_path_; }
    // Its real path, after which the journal is named.
    const std::string& real_path() const { return real_path_; }
    std::string MemberLabel(const std::string& member) const { return name_ + "(" + member + ")"; }
    filesystem::File& file() { return *file_; }
    std::uint64_t append_position() const { return append_position_; }
    void set_append_position(std::uint64_t offset) { append_position_ = offset; }
    std::uint64_t file_size_at_open() const { return original_size_; }
    const EngineContext& context() const { return context_; }

    // Reading with the engine's messages: RPS10 (step) for a seek, RPS02 for
    // a read (error_step on failure, short_step when fewer bytes came).
    bool Seek(std::uint64_t offset, int step);
    bool Position(std::uint64_t& offset, int step);
    bool Read(void* data, std::size_t size, int error_step, int short_step);

    // --- The places that write. None may be called in read mode.

    // Starts the journal (see above). Ranges are extra ranges the call will
    // rewrite in place, inside the file as it is now. Later calls do nothing.
    bool BeginChanges(const std::vector<ByteRange>& in_place = {});
    // Starts a compaction's journal with its first checkpoint.
    bool BeginCompaction(std::uint64_t window_capacity, const Checkpoint& first,
                         const std::vector<std::uint8_t>& first_window);
    Journal& journal() { return *journal_; }
    // Continues under a compaction journal found on disk (recovery).
    void AdoptCompactionJournal(const JournalInspection& inspection);
    // A recovery's own session: when it fails, its journal is left for the
    // next open instead of being played back again at once.
    void set_recovering() { recovering_ = true; }
    // Writes at the current position: RPS02 with error_step or short_step.
    bool Write(const void* data, std::size_t size, int error_step, int short_step);
    // Syncs the repository file (RPS02 with the sync step).
    bool Sync();
    // Lets the disk start on what was written in the range (a hint).
    void StartWriteback(std::uint64_t offset, std::uint64_t length) {
        file_->StartWriteback(offset, length);
    }
    std::uint64_t position() const { return position_; }
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

    // Ends a successful operation: sizes into the status record; in update
    // and store mode writes the directory and the header and commits.
    bool Close();
    // Ends a failed operation: nothing more is written and what was written
    // is undone from the journal.
    void Abandon();

private:
    OpenOutcome OpenFromHeader(OpenMode mode, const std::vector<std::string>& parts);
    OpenOutcome OpenOuterFile(const std::string& file_path, OpenMode mode);
    bool TakeLocks();
    bool HoldsWriterLock() const;
    bool RecoverInterruptedCall(OpenMode mode);
    // No journal, or an incomplete one (removed): nothing to play back.
    bool SettleWithoutPlayback(const JournalInspection& inspection);
    bool PlayBack(filesystem::File& writable, const JournalInspection& inspection);
    bool RecoverWhileReading(const JournalInspection& inspection);
    std::unique_ptr<filesystem::File> OpenToRecover();
    bool ReadCommittedState(const JournalInspection& inspection);
    bool ReadHeaderAt(std::uint64_t start, std::uint64_t extent_end);
    bool ReadDirectoryAt(std::uint64_t start, std::uint64_t extent_end);
    bool WriteFreshHeader();
    bool WriteDirectory();
    // Write, naming the short-write step by how far the write got.
    bool WriteReporting(const void* data, std::size_t size, int error_step,
                        const std::function<int(std::size_t)>& short_step_at);
    bool WriteHeader();
    bool Covered(std::uint64_t offset, std::uint64_t size) const;
    void ReportSizes(const RepositoryDirectory& directory);
    void Release();

    EngineContext context_;
    OpenMode mode_ = OpenMode::kRead;
    std::unique_ptr<filesystem::File> owned_file_;
    // A read-only view of the last committed state (a repository that needs
    // recovery but cannot be written).
    std::unique_ptr<filesystem::File> owned_view_;
    // A reading call's writable handle while it plays a journal back; it
    // holds the locks of a writer until the call ends.
    std::unique_ptr<filesystem::File> recovery_file_;
    filesystem::File* file_ = nullptr;
    std::uint64_t position_ = 0;  // of file_, as this object moved it
    std::string file_path_;
    std::string real_path_;
    filesystem::FileInfo identity_;
    std::string name_;
    RepositoryHeader header_;
    RepositoryDirectory directory_;
    std::uint64_t repository_start_ = 0;
    std::uint64_t append_position_ = format::kFirstBlockOffset;
    std::uint64_t original_size_ = 0;
    // The directory as it was when opened, for the sizes of a failed call.
    std::optional<RepositoryDirectory> original_directory_;
    FormatVersion original_version_ = FormatVersion::kXr01;

    std::unique_ptr<Journal> journal_;
    JournalKind journal_kind_ = JournalKind::kRollback;
    std::vector<ByteRange> protected_ranges_;
    bool finished_ = false;
    bool recovering_ = false;
};

}  // namespace kivo::repository
