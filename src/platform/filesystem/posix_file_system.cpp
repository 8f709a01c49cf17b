// PosixFileSystem: the FileSystem of the running Linux machine.
#include "kivo/filesystem/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "kivo/filesystem/page_aligned_buffer.h"
#include "proc_locks.h"

namespace kivo::filesystem {
namespace {

Timestamp FromStatx(const struct statx_timestamp& time) {
    return Timestamp{time.tv_sec, time.tv_nsec};
}

FileType TypeOfMode(std::uint32_t mode) {
    if (S_ISREG(mode)) {
        return FileType::kRegular;
    }
    if (S_ISDIR(mode)) {
        return FileType::kDirectory;
    }
    if (S_ISLNK(mode)) {
        return FileType::kSymbolicLink;
    }
    if (S_ISFIFO(mode)) {
        return FileType::kFifo;
    }
    if (S_ISSOCK(mode)) {
        return FileType::kSocket;
    }
    if (S_ISCHR(mode)) {
        return FileType::kCharacterDevice;
    }
    if (S_ISBLK(mode)) {
        return FileType::kBlockDevice;
    }
    return FileType::kOther;
}

FileInfo FromStatx(const struct statx& st) {
    FileInfo info;
    info.type = TypeOfMode(st.stx_mode);
    info.size_bytes = st.stx_size;
    info.permissions = st.stx_mode & 07777;
    info.owner_user_id = st.stx_uid;
    if ((st.stx_mask & STATX_BTIME) != 0) {
        info.birth_time = FromStatx(st.stx_btime);
    }
    info.modification_time = FromStatx(st.stx_mtime);
    info.access_time = FromStatx(st.stx_atime);
    info.change_time = FromStatx(st.stx_ctime);
    info.device = (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    info.inode = st.stx_ino;
    info.link_count = st.stx_nlink;
    return info;
}

constexpr unsigned kStatxMask = STATX_BASIC_STATS | STATX_BTIME;

FsResult<FileInfo> StatAt(int directory_fd, const char* path, int flags) {
    struct statx st {};
    if (statx(directory_fd, path, flags, kStatxMask, &st) != 0) {
        return FsResult<FileInfo>::Failure(errno);
    }
    return {FsStatus::Ok(), FromStatx(st)};
}

FsStatus LockStatus(int result) {
    if (result == 0) {
        return FsStatus::Ok();
    }
    // fcntl reports a conflict as EAGAIN or EACCES, flock as EWOULDBLOCK.
    return FsStatus::Error(errno == EACCES || errno == EAGAIN ? EWOULDBLOCK : errno);
}

// flock: per open file description, and the holder's pid is in /proc/locks.
FsStatus TryFlock(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return LockStatus(result);
}

// An open-file-description lock over the whole file, present and future.
FsStatus TryWholeFileLock(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    int result;
    do {
        result = fcntl(fd, F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return LockStatus(result);
}

struct timespec ToTimeStamp(const Timestamp& time) {
    struct timespec stamp {};
    stamp.tv_sec = static_cast<time_t>(time.seconds);
    stamp.tv_nsec = static_cast<long>(time.nanoseconds);
    return stamp;
}

// linkat(AT_EMPTY_PATH) names a file by its descriptor, one path lookup
// fewer than a link through /proc/self/fd (an extraction links every member
// so). Since Linux 6.10 a process may use it on a file it opened itself;
// before, only with CAP_DAC_READ_SEARCH, and ENOENT otherwise. Set once a
// link through /proc worked where it was refused, so such a system pays the
// refusal once.
std::atomic<bool> empty_path_links_refused{false};

// Copies of fewer bytes are made by the kernel (copy_file_range, one call
// instead of a read and a write); larger ones pass through the caller's
// page-aligned buffer, which copies them faster. Measured on the build
// machine, 400 MB in pieces of 40 KiB / 128 KiB / 1 MiB: kernel 0.21 / 0.18 /
// 0.18 s, buffer 0.23 / 0.18 / 0.15 s.
constexpr std::size_t kKernelCopyBelowBytes = 128 << 10;

class PosixFile final : public File {
public:
    PosixFile(int fd, Durability durability) : fd_(fd), durability_(durability) {}
    ~PosixFile() override { close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    FsResult<std::size_t> Read(void* data, std::size_t size_bytes) override {
        FsResult<std::size_t> result = ReadAt(position_, data, size_bytes);
        if (result.ok()) {
            position_ += result.value;
        }
        return result;
    }

    FsResult<std::size_t> ReadAt(std::uint64_t offset, void* data,
                                 std::size_t size_bytes) override {
        auto* bytes = static_cast<unsigned char*>(data);
        std::size_t done = 0;
        while (done < size_bytes) {
            ssize_t got =
                pread(fd_, bytes + done, size_bytes - done, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return FsResult<std::size_t>::Failure(errno);
            }
            if (got == 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        return {FsStatus::Ok(), done};
    }

    FsResult<std::size_t> Write(const void* data, std::size_t size_bytes) override {
        FsResult<std::size_t> result = WriteAt(position_, data, size_bytes);
        if (result.ok()) {
            position_ += result.value;
        }
        return result;
    }

    FsResult<std::size_t> WriteAt(std::uint64_t offset, const void* data,
                                  std::size_t size_bytes) override {
        const auto* bytes = static_cast<const unsigned char*>(data);
        std::size_t done = 0;
        while (done < size_bytes) {
            ssize_t put =
                pwrite(fd_, bytes + done, size_bytes - done, static_cast<off_t>(offset + done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return FsResult<std::size_t>::Failure(errno);
            }
            if (put == 0) {
                return FsResult<std::size_t>::Failure(ENOSPC);
            }
            done += static_cast<std::size_t>(put);
        }
        return {FsStatus::Ok(), done};
    }

    FsResult<std::uint64_t> Seek(std::uint64_t offset) override {
        if (offset > static_cast<std::uint64_t>(INT64_MAX)) {
            return FsResult<std::uint64_t>::Failure(EINVAL);
        }
        position_ = offset;
        return {FsStatus::Ok(), position_};
    }

    FsResult<std::uint64_t> Position() override { return {FsStatus::Ok(), position_}; }

    FsStatus Truncate(std::uint64_t size_bytes) override {
        while (ftruncate(fd_, static_cast<off_t>(size_bytes)) != 0) {
            if (errno != EINTR) {
                return FsStatus::Error(errno);
            }
        }
        return FsStatus::Ok();
    }

    FsStatus Sync() override {
        if (durability_ == Durability::kScratch)
            return FsStatus::Ok();
        return fsync(fd_) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
    }

    void StartWriteback(std::uint64_t offset, std::uint64_t length) override {
        sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(length),
                        SYNC_FILE_RANGE_WRITE);
    }

    CopyResult CopyFrom(File& source, std::uint64_t source_offset, std::size_t size_bytes,
                        PageAlignedBuffer& buffer) override {
        CopyResult result;
        auto* posix_source = dynamic_cast<PosixFile*>(&source);
        if (posix_source != nullptr && size_bytes < kKernelCopyBelowBytes) {
            result = CopyInKernel(posix_source->fd_, source_offset, size_bytes);
        }
        if (result.bytes_copied == size_bytes || result.stop != CopyResult::Stop::kNone) {
            return result;
        }
        // The kernel could not copy (the source is no file of this system,
        // the two lie on different file systems, or an error that a copy
        // through the buffer will attribute to its side or get past).
        CopyResult rest = File::CopyFrom(source, source_offset + result.bytes_copied,
                                         size_bytes - result.bytes_copied, buffer);
        rest.bytes_copied += result.bytes_copied;
        return rest;
    }

    FsResult<FileInfo> Stat() override { return StatAt(fd_, "", AT_EMPTY_PATH); }

    FsStatus SetTimes(const FileTimes& times) override {
        struct timespec stamps[2] = {ToTimeStamp(times.access_time),
                                     ToTimeStamp(times.modification_time)};
        return futimens(fd_, stamps) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
    }

    FsStatus SetPermissions(std::uint32_t permissions) override {
        return fchmod(fd_, static_cast<mode_t>(permissions)) == 0 ? FsStatus::Ok()
                                                                  : FsStatus::Error(errno);
    }

    FsStatus LinkAs(const std::string& path) override {
        bool tried_empty_path = false;
        if (!empty_path_links_refused.load(std::memory_order_relaxed)) {
            if (linkat(fd_, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
                return FsStatus::Ok();
            }
            if (errno != ENOENT) {
                return FsStatus::Error(errno);
            }
            tried_empty_path = true;  // refused, or the folder is missing
        }
        // Through /proc, which any user may.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (tried_empty_path) {
                empty_path_links_refused.store(true, std::memory_order_relaxed);
            }
            return FsStatus::Ok();
        }
        const int error = errno;
        if (tried_empty_path || error != ENOENT || access("/proc/self/fd", F_OK) == 0) {
            return FsStatus::Error(error);
        }
        return linkat(fd_, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0 ? FsStatus::Ok()
                                                                           : FsStatus::Error(errno);
    }

    FsStatus TryLock(FileLock lock, LockMode mode) override {
        const bool exclusive = mode == LockMode::kExclusive;
        if (lock == FileLock::kWriter) {
            return TryFlock(fd_, exclusive ? LOCK_EX : LOCK_SH);
        }
        return TryWholeFileLock(fd_, exclusive ? F_WRLCK : F_RDLCK);
    }

    void Unlock(FileLock lock) override {
        if (lock == FileLock::kWriter) {
            flock(fd_, LOCK_UN);
        } else {
            TryWholeFileLock(fd_, F_UNLCK);
        }
    }

    FsStatus LockRange(RangeLockKind kind, std::uint64_t offset, std::uint64_t length) override {
        return SetRecordLock(kind == RangeLockKind::kExclusive ? F_WRLCK : F_RDLCK, F_SETLKW,
                             offset, length);
    }

    FsStatus UnlockRange(std::uint64_t offset, std::uint64_t length) override {
        return SetRecordLock(F_UNLCK, F_SETLK, offset, length);
    }

private:
    // Classic fcntl record locks, which belong to the process (File::LockRange).
    FsStatus SetRecordLock(short type, int command, std::uint64_t offset, std::uint64_t length) {
        struct flock range {};
        range.l_type = type;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(offset);
        range.l_len = static_cast<off_t>(length);
        while (fcntl(fd_, command, &range) != 0) {
            if (errno != EINTR) {
                return FsStatus::Error(errno);
            }
        }
        return FsStatus::Ok();
    }

    // Copies with copy_file_range until done, the source's end (kSourceEnded)
    // or a failure; after a failure (or a first call that copies nothing, as
    // on files of /proc that report no size) it stops with kNone and the
    // bytes copied so far, for the caller to go on through a buffer.
    CopyResult CopyInKernel(int source_fd, std::uint64_t source_offset, std::size_t size_bytes) {
        CopyResult result;
        while (result.bytes_copied < size_bytes) {
            auto in = static_cast<loff_t>(source_offset + result.bytes_copied);
            auto out = static_cast<loff_t>(position_);
            ssize_t copied =
                copy_file_range(source_fd, &in, fd_, &out, size_bytes - result.bytes_copied, 0);
            if (copied < 0 && errno == EINTR) {
                continue;
            }
            if (copied < 0 || (copied == 0 && result.bytes_copied == 0)) {
                return result;
            }
            if (copied == 0) {
                result.stop = CopyResult::Stop::kSourceEnded;
                return result;
            }
            result.bytes_copied += static_cast<std::size_t>(copied);
            position_ += static_cast<std::uint64_t>(copied);
        }
        return result;
    }

    int fd_;
    Durability durability_;
    // Kept here rather than in the kernel so reads and writes are pread/pwrite.
    std::uint64_t position_ = 0;
};

int OpenFlags(const OpenOptions& options) {
    int flags = O_CLOEXEC;
    flags |= options.access == Access::kRead ? O_RDONLY : O_RDWR;
    switch (options.creation) {
        case Creation::kOpenExisting:
            break;
        case Creation::kOpenOrCreate:
            flags |= O_CREAT;
            break;
        case Creation::kCreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case Creation::kCreateOrTruncate:
            flags |= O_CREAT | O_TRUNC;
            break;
    }
    if (!options.follow_symbolic_links) {
        flags |= O_NOFOLLOW;
    }
    if (options.non_blocking_open) {
        flags |= O_NONBLOCK;
    }
    return flags;
}

// O_NONBLOCK was wanted for the open only. Of the flags F_SETFL sets,
// OpenFlags gives only O_NONBLOCK, so no flags is the state to go back to
// (one call instead of reading the flags first: storing thousands of files
// opens each of them so).
FsStatus ClearNonBlocking(int fd) {
    return fcntl(fd, F_SETFL, 0) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
}

std::string RealPathOf(const std::string& path, FsStatus& status) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    if (!real) {
        status = FsStatus::Error(errno);
        return {};
    }
    return real.get();
}

// The target of a symbolic link, as a path from the link's folder.
FsResult<std::string> FollowLink(const std::string& link) {
    std::string target(PATH_MAX, '\0');
    ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length < 0) {
        return FsResult<std::string>::Failure(errno);
    }
    if (static_cast<std::size_t>(length) >= target.size()) {
        return FsResult<std::string>::Failure(ENAMETOOLONG);
    }
    target.resize(static_cast<std::size_t>(length));
    if (!target.empty() && target.front() == '/') {
        return {FsStatus::Ok(), target};
    }
    return {FsStatus::Ok(), JoinPath(ParentDirectory(link), target)};
}

// As the kernel, give up after 40 links.
constexpr int kMaxLinksFollowed = 40;

}  // namespace

FsResult<std::unique_ptr<File>> PosixFileSystem::Open(const std::string& path,
                                                      const OpenOptions& options) {
    OpenOptions effective = options;
    // O_TRUNC before the lock would empty a file another process holds; take
    // the lock first and truncate afterwards.
    bool truncate_after_lock =
        options.exclusive_lock && options.creation == Creation::kCreateOrTruncate;
    if (truncate_after_lock) {
        effective.creation = Creation::kOpenOrCreate;
    }
    int fd;
    do {
        fd = open(path.c_str(), OpenFlags(effective), static_cast<mode_t>(options.permissions));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return FsResult<std::unique_ptr<File>>::Failure(errno);
    }
    auto file = std::make_unique<PosixFile>(fd, durability_);
    if (options.non_blocking_open) {
        if (FsStatus cleared = ClearNonBlocking(fd); !cleared.ok()) {
            return FsResult<std::unique_ptr<File>>::Failure(cleared.error_number());
        }
    }
    if (options.exclusive_lock) {
        if (FsStatus locked = file->TryLock(FileLock::kWriter, LockMode::kExclusive);
            !locked.ok()) {
            return FsResult<std::unique_ptr<File>>::Failure(locked.error_number());
        }
    }
    if (truncate_after_lock) {
        FsStatus truncated = file->Truncate(0);
        if (!truncated.ok()) {
            return FsResult<std::unique_ptr<File>>::Failure(truncated.error_number());
        }
    }
    return {FsStatus::Ok(), std::move(file)};
}

FsResult<std::unique_ptr<File>> PosixFileSystem::CreateUnnamed(const std::string& folder,
                                                               std::uint32_t permissions) {
    int fd;
    do {
        fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, static_cast<mode_t>(permissions));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return FsResult<std::unique_ptr<File>>::Failure(errno);
    }
    return {FsStatus::Ok(), std::make_unique<PosixFile>(fd, durability_)};
}

FsResult<FileInfo> PosixFileSystem::Stat(const std::string& path, bool follow_symbolic_links) {
    return StatAt(AT_FDCWD, path.c_str(), follow_symbolic_links ? 0 : AT_SYMLINK_NOFOLLOW);
}

FsResult<VolumeInfo> PosixFileSystem::StatVolume(const std::string& path) {
    struct statfs st {};
    if (statfs(path.c_str(), &st) != 0) {
        return FsResult<VolumeInfo>::Failure(errno);
    }
    return {FsStatus::Ok(), VolumeInfo{static_cast<std::uint64_t>(st.f_type)}};
}

FsResult<DirectoryListing> PosixFileSystem::ListDirectory(const std::string& path) {
    FsResult<DirectoryListing> result;
    DIR* directory = opendir(path.c_str());
    if (directory == nullptr) {
        result.status = FsStatus::Error(errno);
        result.value.failed_stage = ListingStage::kOpen;
        return result;
    }
    for (;;) {
        errno = 0;
        struct dirent* entry = readdir(directory);
        if (entry == nullptr) {
            if (errno != 0) {
                result.status = FsStatus::Error(errno);
                result.value.failed_stage = ListingStage::kNext;
            }
            break;
        }
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        bool is_directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            FsResult<FileInfo> info = Stat(JoinPath(path, name), false);
            is_directory = info.ok() && info.value.type == FileType::kDirectory;
        }
        result.value.entries.push_back(DirectoryEntry{std::move(name), is_directory});
    }
    if (closedir(directory) != 0 && result.ok()) {
        result.status = FsStatus::Error(errno);
        result.value.failed_stage = ListingStage::kClose;
    }
    return result;
}

FsStatus PosixFileSystem::Rename(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
}

FsStatus PosixFileSystem::Unlink(const std::string& path) {
    return unlink(path.c_str()) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
}

FsStatus PosixFileSystem::MakeDirectory(const std::string& path, std::uint32_t permissions) {
    return mkdir(path.c_str(), static_cast<mode_t>(permissions)) == 0 ? FsStatus::Ok()
                                                                      : FsStatus::Error(errno);
}

FsStatus PosixFileSystem::RemoveDirectory(const std::string& path) {
    return rmdir(path.c_str()) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
}

FsStatus PosixFileSystem::SyncDirectory(const std::string& path) {
    if (durability_ == Durability::kScratch)
        return FsStatus::Ok();
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return FsStatus::Error(errno);
    }
    FsStatus status = fsync(fd) == 0 ? FsStatus::Ok() : FsStatus::Error(errno);
    close(fd);
    return status;
}

FsResult<ResolvedPath> PosixFileSystem::ResolvePath(const std::string& path) {
    ResolvedPath resolved;
    std::string current = path;
    for (int followed = 0; followed <= kMaxLinksFollowed; ++followed) {
        FsResult<FileInfo> info = Stat(current, false);
        FsStatus status;
        if (!info.ok() && info.status.error_number() != ENOENT) {
            return {info.status, {}};
        }
        if (!info.ok()) {
            // Not there (yet): the name in its real folder.
            std::string folder = RealPathOf(ParentDirectory(current), status);
            if (!status.ok()) {
                return {status, {}};
            }
            resolved.real_path = JoinPath(folder, BaseName(current));
            return {FsStatus::Ok(), resolved};
        }
        if (info.value.type != FileType::kSymbolicLink) {
            resolved.real_path = RealPathOf(current, status);
            return {status, status.ok() ? resolved : ResolvedPath{}};
        }
        resolved.links_followed.push_back(current);
        FsResult<std::string> target = FollowLink(current);
        if (!target.ok()) {
            return {target.status, {}};
        }
        current = target.value;
    }
    return FsResult<ResolvedPath>::Failure(ELOOP);
}

std::optional<LockHolder> PosixFileSystem::FindWriterLockHolder(const FileInfo& file) {
    std::optional<int> process_id =
        FindFlockHolderIn(ReadProcLocks(), static_cast<std::uint32_t>(file.device >> 32),
                          static_cast<std::uint32_t>(file.device & 0xffffffffu), file.inode);
    if (!process_id) {
        return std::nullopt;
    }
    return LockHolder{*process_id, ProcessCommandName(*process_id)};
}

PosixFileSystem& DefaultFileSystem() {
    static PosixFileSystem file_system;
    return file_system;
}

PosixFileSystem& ScratchFileSystem() {
    static PosixFileSystem file_system(Durability::kScratch);
    return file_system;
}

}  // namespace kivo::filesystem
