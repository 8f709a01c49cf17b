// The component journal: a write-ahead journal of the changes made to a data
// store's component files (record logs, index, phone book ...) while they
// are unpacked in a working folder. It lies beside the store as
// "<store>-changes" and exists from the first commit after the store last
// took its components until the next checkpoint puts them into the store.
//
// A commit is the changes of one record operation, written as one record
// with its own checksum and synced before the operation reports success. A
// record that a crash left torn fails its checksum and ends the journal: it
// and anything after it are ignored, so a commit is played back whole or
// not at all.
//
// Layout (little-endian), docs/formats/component-journal.md:
//   header  0 "KIVOCHG1", 8 store device u64, 16 store inode u64,
//           24 FNV-1a 64 checksum of bytes 0-23                 (32 bytes)
//   commit  0 "CMIT", 4 body length u32, 8 sequence u64 (1, 2, 3 ...),
//           16 body, then the FNV-1a 64 checksum of bytes 0 to the end of
//           the body. Body: change count u32, then per change: name length
//           u8, name, offset u64, new size u64, byte count u32, bytes.
//           A commit made together with a recording container ("CMTC")
//           starts its body with the container: name length u8, name,
//           size u64, FNV-1a 64 checksum of its bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/component_changes.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore {

inline constexpr std::size_t kJournalHeaderBytes = 32;
// Commit bytes besides its body: magic, length, sequence, checksum.
inline constexpr std::size_t kJournalCommitOverheadBytes = 24;
// Limits a reader holds a journal to; anything larger is damage.
inline constexpr std::uint64_t kMaxJournalCommitBodyBytes = 1ull << 30;
inline constexpr std::uint64_t kMaxJournaledComponentBytes = 1ull << 30;

// "<store path>-changes". The caller passes the store's real path (symbolic
// links resolved), so every name of the store finds the same journal.
std::string ComponentJournalPath(const std::string& real_store_path);

// The file a journal belongs to: the store's device and inode, which every
// repository operation keeps (the engine changes a repository in place). A
// journal of another file of the same name is never played back.
struct StoreIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const StoreIdentity&) const = default;
};

// A recording container a commit was made together with: the writer puts
// it into the store right after the commit (an edit that stores a new
// version of its recording). Such a commit holds only when the store holds
// the container as it was committed; DurableComponents judges that.
struct CommittedContainer {
    std::string member;  // "D20260101120000.xrz"
    std::uint64_t size_bytes = 0;
    std::uint64_t checksum = 0;  // FNV-1a 64 of its bytes

    bool operator==(const CommittedContainer&) const = default;
};

// The CommittedContainer of a container's bytes.
CommittedContainer DescribeContainer(const std::string& member, const std::string& bytes);

struct JournalCommit {
    std::uint64_t sequence = 0;
    std::vector<ComponentChange> changes;
    std::optional<CommittedContainer> container;
};

struct JournalContents {
    bool exists = false;
    // False when the header is short or fails its checksum: the journal was
    // being created when the machine stopped, so nothing was committed in it.
    bool header_valid = false;
    StoreIdentity store;
    std::vector<JournalCommit> commits;  // the whole ones, in order
    std::uint64_t valid_bytes = 0;       // header and whole commits
    std::uint64_t file_bytes = 0;
};

// Reads the journal at path. No journal is no error (exists false); a read
// that fails is an IoError.
Status ReadComponentJournal(filesystem::FileSystem& file_system, const std::string& path,
                            JournalContents* contents);

std::string EncodeJournalHeader(const StoreIdentity& store);
std::string EncodeJournalCommit(std::uint64_t sequence, const std::vector<ComponentChange>& changes,
                                const CommittedContainer* container = nullptr);

// Appends commits to a journal of its own making.
class ComponentJournalWriter {
public:
    ComponentJournalWriter(filesystem::FileSystem& file_system, std::string path);
    ~ComponentJournalWriter();
    ComponentJournalWriter(const ComponentJournalWriter&) = delete;
    ComponentJournalWriter& operator=(const ComponentJournalWriter&) = delete;

    const std::string& path() const { return path_; }

    // Appends one commit and syncs it. The first commit creates the journal
    // (an earlier file of the name is replaced): header synced, then its
    // folder, so the name survives a power cut. So does a commit that finds
    // the file gone or replaced since (another program has checkpointed it).
    // On failure the journal is cut back to its last whole commit as far as
    // the file system allows; the commit counts as not made. With a
    // container the commit is made together with it (CommittedContainer).
    Status Append(const std::vector<ComponentChange>& changes, const StoreIdentity& store,
                  const CommittedContainer* container = nullptr);

    // Cuts off the commit the last Append made and syncs, so the journal
    // ends where it did before (the container made with it could not be
    // stored). Once only: a second call without an Append between fails.
    Status WithdrawLast();

    // Removes the journal and syncs its folder.
    Status Remove();

    // Bytes in the journal (0 when there is none).
    std::uint64_t size_bytes() const { return end_bytes_; }
    bool has_journal() const { return file_ != nullptr; }
    // Lets go of a journal that is no longer the file at the path (another
    // program played it back and removed or replaced it); true when it was.
    bool ForgetIfReplaced();

private:
    bool StillAtPath();
    Status Create(const StoreIdentity& store);

    filesystem::FileSystem& file_system_;
    std::string path_;
    std::unique_ptr<filesystem::File> file_;
    std::uint64_t end_bytes_ = 0;
    std::uint64_t next_sequence_ = 1;
    // Where the last appended commit starts; nullopt when there is none to
    // withdraw.
    std::optional<std::uint64_t> last_commit_at_bytes_;
};

}  // namespace kivo::recordstore
