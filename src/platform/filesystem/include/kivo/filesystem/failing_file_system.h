// FailingFileSystem: a test double that passes every call to another
// FileSystem except the Nth call of the kinds a test selects, which fails
// with a chosen errno (or, for reads and writes, moves only half the bytes).
// Files it opens are wrapped too, so their reads, writes, seeks, truncations
// and syncs count. Counting only calls on paths that contain a given text
// lets a test fail the repository but not the file being stored. A file made
// by CreateUnnamed counts as an open of the path "<folder>/" (a file in the
// folder without a name yet); copies between its files (File::CopyFrom) go
// through the buffer, so they count as the reads and writes they are.
#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "kivo/filesystem/file_system.h"

namespace kivo::filesystem {

// Kinds of calls, combined as a bit set.
enum FsCall : std::uint32_t {
    kCallOpen = 1u << 0,
    kCallRead = 1u << 1,   // Read and ReadAt
    kCallWrite = 1u << 2,  // Write and WriteAt
    kCallSeek = 1u << 3,
    kCallPosition = 1u << 4,
    kCallTruncate = 1u << 5,
    kCallSync = 1u << 6,
    kCallStat = 1u << 7,  // File::Stat and FileSystem::Stat
    kCallSetTimes = 1u << 8,
    kCallSetPermissions = 1u << 9,
    kCallStatVolume = 1u << 10,
    kCallListDirectory = 1u << 11,
    kCallRename = 1u << 12,
    kCallUnlink = 1u << 13,
    kCallMakeDirectory = 1u << 14,
    kCallSyncDirectory = 1u << 15,
    kCallLock = 1u << 16,  // File::TryLock
    kCallResolvePath = 1u << 17,
    kCallLockRange = 1u << 18,  // LockRange and UnlockRange
    kCallRemoveDirectory = 1u << 19,
    kCallLink = 1u << 20,  // File::LinkAs, counted on the name given
};
using FsCallSet = std::uint32_t;
inline constexpr FsCallSet kEveryCall = 0x1FFFFFu;
// The calls that change what is on the disk.
inline constexpr FsCallSet kChangingCalls = kCallWrite | kCallTruncate | kCallSync | kCallRename |
                                            kCallUnlink | kCallSyncDirectory | kCallLink;

struct FailurePlan {
    FsCallSet calls = 0;    // the kinds that are counted
    std::uint64_t nth = 0;  // 1-based number of the counted call that fails; 0 never
    int error_number = EIO;
    // Reads and writes then move half the bytes asked (a short transfer)
    // instead of failing; other calls still fail with error_number.
    bool short_transfer = false;
    // Every counted call from the nth on fails (a disk that stays broken).
    bool persistent = false;
    // Only calls on paths containing this text count; empty counts all.
    std::string path_contains;
    // Only calls on exactly this path count; empty counts all.
    std::string path_is;
    // The stage at which a failing ListDirectory fails.
    ListingStage listing_stage = ListingStage::kOpen;
};

// The plan most tests want: fail the nth call of these kinds with this errno.
inline FailurePlan FailNth(FsCallSet calls, std::uint64_t nth, int error_number = EIO) {
    FailurePlan plan;
    plan.calls = calls;
    plan.nth = nth;
    plan.error_number = error_number;
    return plan;
}

class FailingFileSystem final : public FileSystem {
public:
    explicit FailingFileSystem(FileSystem& target) : target_(target) {}

    // Starts counting afresh under a new plan.
    void Plan(const FailurePlan& plan);
    // Counted calls so far; a loop over N is done when N exceeds this.
    std::uint64_t calls_counted() const { return state_->counted; }
    // Whether the planned failure has happened.
    bool failed() const { return state_->failures > 0; }

    FsResult<std::unique_ptr<File>> Open(const std::string& path,
                                         const OpenOptions& options) override;
    FsResult<std::unique_ptr<File>> CreateUnnamed(const std::string& folder,
                                                  std::uint32_t permissions) override;
    FsResult<FileInfo> Stat(const std::string& path, bool follow_symbolic_links) override;
    FsResult<VolumeInfo> StatVolume(const std::string& path) override;
    FsResult<DirectoryListing> ListDirectory(const std::string& path) override;
    FsStatus Rename(const std::string& from, const std::string& to) override;
    FsStatus Unlink(const std::string& path) override;
    FsStatus MakeDirectory(const std::string& path, std::uint32_t permissions) override;
    FsStatus RemoveDirectory(const std::string& path) override;
    FsStatus SyncDirectory(const std::string& path) override;
    FsResult<ResolvedPath> ResolvePath(const std::string& path) override;
    std::optional<LockHolder> FindWriterLockHolder(const FileInfo& file) override;
    bool SyncsReachTheDisk() const override { return target_.SyncsReachTheDisk(); }

    // Shared with the wrapped files, which may outlive a plan.
    struct State {
        FailurePlan plan;
        std::uint64_t counted = 0;
        std::uint64_t failures = 0;
        // True when this call (of kind `call` on `path`) is the one to fail.
        bool ShouldFail(FsCall call, const std::string& path);
    };

private:
    FileSystem& target_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kivo::filesystem
