// The journal that makes every write to a repository crash-safe: a side file
// "<repository>-journal" that exists only while a writing call is under way.
//
// It holds the repository's size and the bytes of every range the call is
// about to overwrite (the header, the old directory, internal entries marked
// in place), then, for a compaction, two alternating checkpoint slots that
// say how far the moves have come and keep a window of old bytes ahead of
// them. It is written and synced, with its folder, before the repository is
// touched, and removed (and the folder synced) once the repository is synced.
// A writer that keeps it (EngineOptions::keep_idle_journal) zeroes its first
// 8 bytes and syncs it instead: an idle journal, which means no journal, and
// which the next rollback journal is written over.
// A journal found on opening means a call was interrupted: a rollback journal
// is played back (undo), a compaction journal is finished (redo).
//
// Layout (little-endian), docs/decisions/repository-crash-safety.md:
//   body:  0 "XRJOURN2", 8 kind u32, 12 range count u32, 16 original size u64,
//          24 window capacity u64, 32 body length u64, 40 ranges
//          (offset u64, length u64, bytes ...), then a 64-bit checksum of the
//          body (journal_checksum.h; "XRJOURN1", the first layout, is the
//          same with FNV-1a, and is still read).
//   slots (compaction only), each at a 4 KiB boundary after the body:
//          0 "XRCHKPT1", 8 sequence u64, 16 move index u64, 24 bytes done u64,
//          32 window offset u64, 40 window length u64, 48 checksum u64 (of
//          bytes 0-47 and the window), 56 reserved, 64 window bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

enum class JournalKind : std::uint32_t { kRollback = 1, kCompaction = 2 };

struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// Bytes of the repository its caller already holds in memory, exactly as the
// file holds them at [offset, offset + bytes.size()): saved from there
// instead of being read again.
struct KnownBytes {
    std::uint64_t offset = 0;
    std::span<const std::uint8_t> bytes;
};

// Sorts ranges and merges the ones that touch or overlap; drops empty ones.
std::vector<ByteRange> MergeRanges(std::vector<ByteRange> ranges);

// How far a compaction has come: every move before move_index is done, and
// bytes_done bytes of that move. The window holds the repository's old bytes
// at [window_offset, window_offset + window_length) as they were when the
// checkpoint was taken.
struct Checkpoint {
    std::uint64_t sequence = 0;
    std::uint64_t move_index = 0;
    std::uint64_t bytes_done = 0;
    std::uint64_t window_offset = 0;
    std::uint64_t window_length = 0;
};

// A failed journal step: the engine's step number and the file system's error.
struct JournalError {
    int step = 0;
    filesystem::FsStatus status;
    bool ok() const { return step == 0; }
};

// What an existing journal holds, after its checksums were verified.
struct JournalInspection {
    // kIdle: a journal file kept between calls, which means no journal.
    enum class State { kNone, kIdle, kInvalid, kValid } state = State::kNone;
    JournalKind kind = JournalKind::kRollback;
    std::uint64_t original_size = 0;
    struct SavedRange {
        ByteRange range;
        std::uint64_t journal_offset = 0;  // where its bytes lie in the journal
    };
    std::vector<SavedRange> ranges;
    std::uint64_t window_capacity = 0;
    std::optional<Checkpoint> checkpoint;        // compaction: the latest valid one
    std::uint64_t checkpoint_window_offset = 0;  // where its window lies in the journal
    filesystem::FsStatus read_status;            // a read that failed (state kInvalid)
};

std::string JournalPath(const std::string& repository_path);

class Journal {
public:
    // With keep_idle, a committed rollback journal is left idle, not removed.
    Journal(filesystem::FileSystem& file_system, std::string repository_path,
            bool keep_idle = false);

    // Creates the journal (a leftover one is replaced), saves the ranges of
    // `repository`, and for a compaction writes `first` into the first slot;
    // then syncs the journal and its folder. A rollback journal written over
    // an idle one (keep_idle) writes only the pages that differ from it and
    // syncs only itself: the idle file's bytes and name were made durable by
    // the call that left it idle.
    JournalError Create(filesystem::File& repository, JournalKind kind, std::uint64_t original_size,
                        const std::vector<ByteRange>& ranges, std::uint64_t window_capacity,
                        const Checkpoint& first, std::span<const std::uint8_t> first_window,
                        const KnownBytes& known = {});
    // Writes the next checkpoint into the slot the latest one does not use,
    // and syncs the journal.
    JournalError WriteCheckpoint(const Checkpoint& checkpoint,
                                 std::span<const std::uint8_t> window);
    // Removes the journal and syncs its folder: the call is committed. With
    // keep_idle a rollback journal is made idle and synced instead. Nothing
    // to do for one kept in memory.
    JournalError Remove();

    // Instead of Create, for a rollback on a file system whose syncs do not
    // reach the disk: the ranges of `repository` are kept in memory. A crash
    // then tears the repository (the file is scratch, never read after one),
    // but a failed call is still undone by RestoreFromMemory; no file is made.
    JournalError KeepInMemory(filesystem::File& repository, std::uint64_t original_size,
                              const std::vector<ByteRange>& ranges);
    bool in_memory() const { return in_memory_; }
    // Writes the kept ranges back and cuts the repository to its size before
    // the call (no sync).
    JournalError RestoreFromMemory(filesystem::File& repository) const;

    // Continues with a journal found on disk (recovery), so its checkpoints
    // can be advanced.
    void Adopt(const JournalInspection& inspection);

    const std::string& path() const { return path_; }

private:
    std::uint64_t SlotOffset(int slot) const;
    // Opens the file for a new journal, emptied, unless it holds an idle
    // journal (`was_idle`, of `idle_bytes`), which the new one is written over.
    JournalError OpenEmptied(JournalKind kind, bool& was_idle, std::uint64_t& idle_bytes);
    JournalError MakeIdle();

    filesystem::FileSystem& file_system_;
    std::string path_;
    std::unique_ptr<filesystem::File> file_;
    std::uint64_t body_bytes_ = 0;  // body and checksum
    std::uint64_t window_capacity_ = 0;
    int last_slot_ = 1;
    bool keep_idle_ = false;
    JournalKind kind_ = JournalKind::kRollback;
    bool in_memory_ = false;
    std::uint64_t original_size_ = 0;
    std::vector<std::pair<ByteRange, std::vector<std::uint8_t>>> kept_ranges_;
};

// Reads and verifies the journal of the repository, if there is one.
JournalInspection InspectJournal(filesystem::FileSystem& file_system,
                                 const std::string& repository_path);

// Writes the saved ranges back into the repository (no truncation, no sync).
JournalError RestoreSavedRanges(filesystem::FileSystem& file_system,
                                const std::string& repository_path,
                                const JournalInspection& inspection, filesystem::File& repository);

// Reads `size` bytes of the checkpoint's window from the journal, starting at
// the repository offset `offset` (which lies inside the window).
JournalError ReadCheckpointWindow(filesystem::FileSystem& file_system,
                                  const std::string& repository_path,
                                  const JournalInspection& inspection, std::uint64_t offset,
                                  void* data, std::size_t size);

}  // namespace kivo::repository
