// One repository opened for the duration of one engine call: opening (the
// nested ">>" path, the locks, the journal of an interrupted call, the header
// and the directory), reading member bytes, and closing.
//
// Locks (repository_locks.h), held until the object is destroyed: a reading
// call holds the access lock shared. A reading call that finds a journal to
// play back becomes a writer for that moment if no writer holds the
// repository, and otherwise reads the last committed state through the
// journal.
//
// RepositoryWriter (repository_writer.h) opens a repository the same way for a
// writing call, with the writer's locks, and adds the writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine_context.h"
#include "journal_file.h"
#include "kivo/filesystem/file_system.h"
#include "kivo/filesystem/page_aligned_buffer.h"
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
    // The file is empty: a reading call ends silently (a writing call makes
    // it a new repository first).
    kEmpty,
    kFailed,  // the status record says why
};

class RepositoryReader {
public:
    explicit RepositoryReader(EngineContext context);
    virtual ~RepositoryReader();
    RepositoryReader(const RepositoryReader&) = delete;
    RepositoryReader& operator=(const RepositoryReader&) = delete;

    // Without allow_nested the whole path names the file, ">>" and all.
    OpenOutcome Open(const std::string& path, bool allow_nested = true);
    // Opens the outer file only: lock and journal recovery, no header or
    // directory (directory recovery reads the blocks itself and then installs
    // what it found with InstallDirectory).
    OpenOutcome OpenFileOnly(const std::string& path);
    void InstallDirectory(RepositoryDirectory directory, std::uint64_t append_position);
    // Opens a repository whose file the caller already holds (a view of a
    // journal's committed state); no journal is looked for.
    OpenOutcome OpenHeldFile(filesystem::File& file, const std::string& path);

    FormatVersion version() const { return header_.version; }
    const RepositoryHeader& header() const { return header_; }
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
    std::uint64_t file_size_at_open() const { return original_size_; }
    std::uint64_t position() const { return position_; }
    const EngineContext& context() const { return context_; }

    // Reading with the engine's messages: RPS10 (step) for a seek, RPS02 for
    // a read (error_step on failure, short_step when fewer bytes came).
    bool Seek(std::uint64_t offset, int step);
    bool Position(std::uint64_t& offset, int step);
    bool Read(void* data, std::size_t size, int error_step, int short_step);
    // Copies `size` bytes from the current position to `target` (at its
    // position), through `buffer` where the kernel cannot copy. A failing or
    // short read of the repository is reported as Read reports it; what
    // befell the target is for the caller to report from the result.
    filesystem::CopyResult CopyOut(filesystem::File& target, std::size_t size,
                                   filesystem::PageAlignedBuffer& buffer, int error_step,
                                   int short_step);

    // Ends a reading call: the sizes of the directory go into the status record.
    bool Close();

protected:
    // The opening steps in any mode. An empty file gives kEmpty in every
    // mode; the writer turns it into a fresh repository.
    OpenOutcome OpenPath(const std::string& path, OpenMode mode, bool allow_nested);
    OpenOutcome OpenOuterFileOnly(const std::string& path, OpenMode mode);
    OpenOutcome OpenHeld(filesystem::File& file, const std::string& path, OpenMode mode);
    // The total and deleted sizes the status record reports.
    struct Sizes {
        std::uint64_t total_bytes = 0;
        std::uint64_t deleted_bytes = 0;
    };
    Sizes SizesOf(const RepositoryDirectory& directory) const;
    void ReportSizes(const Sizes& sizes);

    EngineContext context_;
    OpenMode mode_ = OpenMode::kRead;
    filesystem::File* file_ = nullptr;
    std::uint64_t position_ = 0;  // of file_, as this object moved it
    std::string real_path_;
    RepositoryHeader header_;
    RepositoryDirectory directory_;
    std::uint64_t repository_start_ = 0;
    std::uint64_t append_position_ = format::kFirstBlockOffset;
    // Where the directory read on opening ends (the append position when
    // there is none).
    std::uint64_t directory_end_ = format::kFirstBlockOffset;
    std::uint64_t original_size_ = 0;
    // Set when the call may give its directory to the next call
    // (kept_directories.h): a reading call that found it kept, a writing call
    // that committed.
    bool keep_directory_ = false;
    // Set when the directory came from one kept between calls: until the
    // call changes the file, the directory's encoding is the file's bytes
    // from append_position_ on.
    bool directory_was_kept_ = false;

private:
    OpenOutcome OpenFromHeader(const std::vector<std::string>& parts);
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
    // Takes the kept directory of this file if the file holds its bytes at
    // `directory_offset`.
    bool UseKeptDirectory(std::uint64_t start, std::uint64_t directory_offset,
                          std::uint64_t extent_end);
    void GiveBackDirectory();

    std::unique_ptr<filesystem::File> owned_file_;
    // A read-only view of the last committed state (a repository that needs
    // recovery but cannot be written).
    std::unique_ptr<filesystem::File> owned_view_;
    // A reading call's writable handle while it plays a journal back; it
    // holds the locks of a writer until the call ends.
    std::unique_ptr<filesystem::File> recovery_file_;
    std::string file_path_;
    filesystem::FileInfo identity_;
    std::string name_;
};

}  // namespace kivo::repository
