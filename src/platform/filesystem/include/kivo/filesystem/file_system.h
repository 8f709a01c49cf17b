// The one seam between Kivo's Qt-free libraries and the file system.
//
// Every file the repository engine and the record store touch is reached
// through a FileSystem and the File objects it opens, so tests can replace
// the disk with doubles that fail a chosen call (FailingFileSystem) or lose
// unsynced writes in a power cut (PowerLossFileSystem). Results are values:
// an FsStatus carrying the errno of the failing call, never an exception.
//
// The POSIX implementation is PosixFileSystem (posix_file_system.h); the way
// the Windows calls of the original program map onto it is written down in
// docs/platform-mapping.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo::filesystem {

// Success, or the errno of a failed call.
class FsStatus {
public:
    FsStatus() = default;
    static FsStatus Ok() { return FsStatus(); }
    static FsStatus Error(int error_number) { return FsStatus(error_number); }

    bool ok() const { return error_number_ == 0; }
    int error_number() const { return error_number_; }
    // The operating system's description of the error ("No space left on device").
    std::string Describe() const;

private:
    explicit FsStatus(int error_number) : error_number_(error_number) {}
    int error_number_ = 0;
};

// A value, or the status of the call that could not produce it.
template <typename T>
struct FsResult {
    FsStatus status;
    T value{};

    bool ok() const { return status.ok(); }
    static FsResult Failure(int error_number) {
        return FsResult{FsStatus::Error(error_number), T{}};
    }
};

// A point in time as the file system keeps it: seconds since 1970-01-01 UTC.
struct Timestamp {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;

    bool operator==(const Timestamp&) const = default;
};

enum class FileType {
    kRegular,
    kDirectory,
    kSymbolicLink,
    kFifo,
    kSocket,
    kCharacterDevice,
    kBlockDevice,
    kOther,
};

// "regular file", "FIFO", "character device" ...: for messages.
const char* FileTypeName(FileType type);

struct FileInfo {
    FileType type = FileType::kRegular;
    std::uint64_t size_bytes = 0;
    std::uint32_t permissions = 0;  // mode bits 07777
    // Set where the file system records a birth time (statx STATX_BTIME).
    std::optional<Timestamp> birth_time;
    Timestamp modification_time;
    Timestamp access_time;
    // The last change of content or attributes (ctime), which no call can set back.
    Timestamp change_time;
    std::uint64_t device = 0;  // major << 32 | minor
    std::uint64_t inode = 0;
    std::uint64_t link_count = 1;  // names the file has (hard links)

    bool owner_can_write() const { return (permissions & 0200) != 0; }
    // Whether both describe the same file (not merely the same name).
    bool SameFileAs(const FileInfo& other) const {
        return device == other.device && inode == other.inode;
    }
};

// The times a file can be given back: last access and last modification.
struct FileTimes {
    Timestamp access_time;
    Timestamp modification_time;
};

// What statfs says about the volume that holds a path.
struct VolumeInfo {
    std::uint64_t type_magic = 0;  // f_type
    // True for the msdos/vfat driver, whose volumes Windows calls FAT or FAT32.
    bool is_fat() const;
};

struct DirectoryEntry {
    std::string name;
    bool is_directory = false;
};

// Listing a directory fails at one of three stages, which callers report
// differently (opening, reading the next entry, closing).
enum class ListingStage { kNone, kOpen, kNext, kClose };

struct DirectoryListing {
    std::vector<DirectoryEntry> entries;  // in the order the file system returns them
    ListingStage failed_stage = ListingStage::kNone;
};

enum class Access { kRead, kReadWrite };

enum class RangeLockKind { kShared, kExclusive };

enum class Creation {
    kOpenExisting,      // fail with ENOENT when missing
    kOpenOrCreate,      // create when missing, keep the content otherwise
    kCreateNew,         // fail with EEXIST when the name exists (O_EXCL)
    kCreateOrTruncate,  // create, or empty an existing file
};

struct OpenOptions {
    Access access = Access::kRead;
    Creation creation = Creation::kOpenExisting;
    // Take a non-blocking exclusive FileLock::kWriter on the open file; a
    // second opener that also asks for it fails with EWOULDBLOCK until this
    // one is closed.
    bool exclusive_lock = false;
    // The open itself never waits: a FIFO without a writer, or a device that
    // waits for a carrier, is opened at once (so the caller can look at its
    // type and refuse it). Reads and writes afterwards are as without it.
    bool non_blocking_open = false;
    // When false, a symbolic link at the last path component fails with ELOOP.
    bool follow_symbolic_links = true;
    std::uint32_t permissions = 0666;  // for created files, before the umask
};

// Advisory locks on an open file. A lock belongs to the open File, not to
// the process or to the name: two Files open on the same file conflict even
// within one process, whatever names they were opened by, and a lock ends
// when its File is closed or its process dies. The two kinds are independent.
enum class FileLock {
    // Held by the one writer of a file, possibly for a long time (flock on
    // Linux); the process that holds it can be named (FindWriterLockHolder).
    kWriter,
    // Held around the moments of reading (shared) or writing (exclusive) the
    // content (an open-file-description lock over the whole file on Linux).
    // An exclusive one needs a File open for writing.
    kAccess,
};

enum class LockMode { kShared, kExclusive };

class PageAlignedBuffer;

// How File::CopyFrom ended.
struct CopyResult {
    std::size_t bytes_copied = 0;
    // Why fewer bytes than asked were copied; status holds the error of a
    // failed side.
    enum class Stop {
        kNone,          // every byte asked was copied
        kSourceEnded,   // the source gave fewer bytes (its end)
        kSourceFailed,  // reading the source failed
        kTargetFailed,  // writing the target failed
        kTargetShort,   // the target took fewer bytes than it was given
    };
    Stop stop = Stop::kNone;
    FsStatus status;
};

// An open file. Reads and writes at the current position advance it; the *At
// variants leave it alone. Read returns fewer bytes than asked only at the
// end of the file; Write writes everything or fails.
class File {
public:
    virtual ~File() = default;

    virtual FsResult<std::size_t> Read(void* data, std::size_t size_bytes) = 0;
    virtual FsResult<std::size_t> ReadAt(std::uint64_t offset, void* data,
                                         std::size_t size_bytes) = 0;
    virtual FsResult<std::size_t> Write(const void* data, std::size_t size_bytes) = 0;
    virtual FsResult<std::size_t> WriteAt(std::uint64_t offset, const void* data,
                                          std::size_t size_bytes) = 0;
    // Moves the position to an absolute offset and returns it.
    virtual FsResult<std::uint64_t> Seek(std::uint64_t offset) = 0;
    virtual FsResult<std::uint64_t> Position() = 0;
    virtual FsStatus Truncate(std::uint64_t size_bytes) = 0;
    // Makes everything written so far durable (fsync). A failure means the
    // data may be lost; it is never to be retried as if it had succeeded.
    virtual FsStatus Sync() = 0;
    // A hint that the bytes written in the range may go to the disk now, so a
    // later Sync has less to wait for (sync_file_range). It promises nothing
    // about durability; doubles ignore it.
    virtual void StartWriteback(std::uint64_t offset, std::uint64_t length) {
        (void)offset;
        (void)length;
    }
    // Copies size_bytes of `source`, from source_offset on (its position is
    // left alone), to this file's position, which advances by the bytes
    // copied; it stops early where the result says. Between two files of
    // the machine's file system a copy of less than 128 KiB is made by the
    // kernel (copy_file_range), the bytes never passing through the process.
    // Larger copies, and wherever the kernel cannot copy, pass through
    // `buffer`, a piece of its size at a time, by ReadAt on the source and
    // Write on this file, so test doubles see every byte of a copy as a read
    // and a write.
    virtual CopyResult CopyFrom(File& source, std::uint64_t source_offset, std::size_t size_bytes,
                                PageAlignedBuffer& buffer);
    virtual FsResult<FileInfo> Stat() = 0;
    virtual FsStatus SetTimes(const FileTimes& times) = 0;
    virtual FsStatus SetPermissions(std::uint32_t permissions) = 0;
    // Gives a file made by FileSystem::CreateUnnamed the name `path`. Fails
    // with EEXIST when the name is taken, by a symbolic link too (which is
    // not followed); EOPNOTSUPP where files cannot be linked so.
    virtual FsStatus LinkAs(const std::string& path);
    // Takes the lock, or changes the mode of one this File holds, without
    // waiting: EWOULDBLOCK while another File holds a conflicting one.
    virtual FsStatus TryLock(FileLock lock, LockMode mode) = 0;
    // Gives the lock up; nothing happens when this File does not hold it.
    virtual void Unlock(FileLock lock) = 0;

    // Advisory byte-range locks on [offset, offset + length); length 0 reaches
    // to the end of the file however it grows. LockRange waits while another
    // process holds a conflicting lock. The locks belong to the process, as
    // fcntl record locks do: they never conflict within one process, and they
    // end when the file is closed. A File that cannot lock answers ENOLCK.
    virtual FsStatus LockRange(RangeLockKind kind, std::uint64_t offset, std::uint64_t length);
    virtual FsStatus UnlockRange(std::uint64_t offset, std::uint64_t length);
};

// Where a path leads once every symbolic link on the way is followed.
struct ResolvedPath {
    // Absolute, with no symbolic link, "." or ".." left. For a name that does
    // not exist (yet), its folder resolved and the name appended.
    std::string real_path;
    // The symbolic links followed at the last component, in order, as paths
    // (the path given first, when it is a link).
    std::vector<std::string> links_followed;
};

// A process that holds a lock, as far as the system tells.
struct LockHolder {
    int process_id = 0;
    std::string program;  // its command name; empty when it cannot be read
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual FsResult<std::unique_ptr<File>> Open(const std::string& path,
                                                 const OpenOptions& options) = 0;
    // Creates a file for reading and writing in `folder` that has no name
    // yet (O_TMPFILE): File::LinkAs names it once it is complete, so it is
    // never seen half-written and a crash leaves nothing behind. Fails with
    // EOPNOTSUPP (or EISDIR, EINVAL) where the file system cannot make one;
    // the caller then uses a named temporary file.
    virtual FsResult<std::unique_ptr<File>> CreateUnnamed(const std::string& folder,
                                                          std::uint32_t permissions);
    // With follow_symbolic_links false a link is described itself (lstat).
    virtual FsResult<FileInfo> Stat(const std::string& path, bool follow_symbolic_links) = 0;
    virtual FsResult<VolumeInfo> StatVolume(const std::string& path) = 0;
    virtual FsResult<DirectoryListing> ListDirectory(const std::string& path) = 0;
    // Replaces the target when it exists; a link at the target is replaced,
    // not followed.
    virtual FsStatus Rename(const std::string& from, const std::string& to) = 0;
    virtual FsStatus Unlink(const std::string& path) = 0;
    virtual FsStatus MakeDirectory(const std::string& path, std::uint32_t permissions) = 0;
    // Removes an empty directory (ENOTEMPTY otherwise).
    virtual FsStatus RemoveDirectory(const std::string& path) = 0;
    // Makes the creation, renaming and removal of names in the directory durable.
    virtual FsStatus SyncDirectory(const std::string& path) = 0;
    // The real path of the file a path names (ResolvedPath). Fails when a
    // folder on the way is missing or unreadable, or links loop (ELOOP).
    virtual FsResult<ResolvedPath> ResolvePath(const std::string& path) = 0;
    // The process holding FileLock::kWriter on the file, where the system
    // can tell; none when nobody holds it or the holder cannot be seen.
    virtual std::optional<LockHolder> FindWriterLockHolder(const FileInfo& file) = 0;
};

// "dir/name" with exactly one separator between them; dir may end with '/'.
std::string JoinPath(const std::string& directory, const std::string& name);
// The directory part of a path ("." when it has none).
std::string ParentDirectory(const std::string& path);
// The last component of a path.
std::string BaseName(const std::string& path);

}  // namespace kivo::filesystem
