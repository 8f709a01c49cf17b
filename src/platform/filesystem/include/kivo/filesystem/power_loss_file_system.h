// PowerLossFileSystem: an in-memory file system for tests that models what a
// power cut does to a real disk.
//
// Every file has two contents: what the program sees, and what is durable.
// Sync() makes a file's content durable; SyncDirectory() makes the creation,
// renaming and removal of names durable (all pending ones, as a journalling
// file system does). A test can have the machine "crash" at the Nth call that
// changes the disk: that call and every later one fail with EIO, as if the
// process had died there. PowerLoss() then brings the machine back:
//   kDropUnsynced    every unsynced write and name change is lost;
//   kTearUnsynced    unsynced data survives or not per 512-byte sector, a file
//                    that grew may keep its new length with garbage in the
//                    grown space, and a random prefix of the unsynced name
//                    changes survives;
//   kKeepEverything  everything written survives (the process was killed but
//                    the kernel kept its page cache).
// A file made by CreateUnnamed has no name until File::LinkAs gives it one, a
// name change like the others; copies (File::CopyFrom) are plain writes.
// Locks (both FileLock kinds) behave as on Linux: per open file, released
// when it closes and by the crash; no holder can be named. Byte-range locks
// are granted at once, as fcntl record locks never conflict within the one
// process using the disk. There are no symbolic links, so ResolvePath gives
// the path back (normalised). The volume type seen by StatVolume can be set
// (FAT tests). Directories (made and removed) are always durable. Paths are
// absolute, '/'-separated.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"

namespace kivo::filesystem {

enum class PowerLossStyle { kDropUnsynced, kTearUnsynced, kKeepEverything };

class PowerLossFileSystem final : public FileSystem {
public:
    PowerLossFileSystem();
    ~PowerLossFileSystem() override;
    PowerLossFileSystem(const PowerLossFileSystem&) = delete;
    PowerLossFileSystem& operator=(const PowerLossFileSystem&) = delete;

    // The machine goes down at the nth changing call (writes, truncations,
    // syncs, creations, renames, removals), counted from now; 0 never.
    void CrashAtChange(std::uint64_t nth);
    std::uint64_t changes_counted() const;
    bool crashed() const;
    // The power comes back (whether or not a crash happened first). Files
    // opened before stay dead: every call on them fails with EIO.
    void PowerLoss(PowerLossStyle style, std::uint32_t seed);

    // Test set-up and inspection, outside the crash model: the content is
    // durable at once and nothing is counted.
    void WriteDurableFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
    std::optional<std::vector<std::uint8_t>> FileBytes(const std::string& path) const;
    bool Exists(const std::string& path) const;
    void SetPermissions(const std::string& path, std::uint32_t permissions);
    void set_volume_type(std::uint64_t type_magic);

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

    struct Disk;  // shared with the open files

private:
    std::shared_ptr<Disk> disk_;
};

}  // namespace kivo::filesystem
