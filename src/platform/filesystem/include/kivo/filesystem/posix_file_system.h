// The FileSystem of the running machine, over the POSIX calls of Linux:
// open/openat with O_NOFOLLOW, O_TMPFILE and linkat, flock (FileLock::kWriter)
// and open-file-description locks (FileLock::kAccess), fcntl record locks for
// byte ranges, pread/pwrite, fsync, statx for birth times, copy_file_range,
// futimens, fchmod, statfs, readdir, rename, rmdir, realpath and readlink,
// and /proc/locks to name a lock's holder.
#pragma once

#include "kivo/filesystem/file_system.h"

namespace kivo::filesystem {

// Whether Sync and SyncDirectory reach the disk. kScratch is for files whose
// durability nothing depends on: a working folder that a start after a
// crash replaces by a fresh one, whose files reach the data store only by
// being copied into it (the store's own writes sync). There both calls
// succeed at once and write nothing; every other call is the same.
enum class Durability { kSynced, kScratch };

class PosixFileSystem final : public FileSystem {
public:
    explicit PosixFileSystem(Durability durability = Durability::kSynced)
        : durability_(durability) {}

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

private:
    Durability durability_;
};

// One process-wide instance for code that has no file system handed in.
PosixFileSystem& DefaultFileSystem();
// The machine's file system for scratch files (Durability::kScratch); never
// for a data store, a journal or anything that must survive a crash.
PosixFileSystem& ScratchFileSystem();

}  // namespace kivo::filesystem
