// POSIX file helpers shared by the record-line, index-mark and record-index
// code.
#include "line/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kivo::recordstore::file_access {
namespace {

std::string Describe(const std::string& what, const std::string& path, int error_number) {
    return what + " " + path + ": " + std::strerror(error_number);
}

}  // namespace

Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

int Descriptor::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

Status Open(const std::string& path, int flags, Descriptor* descriptor, unsigned mode) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error_number = errno;
        const std::string message = Describe("cannot open", path, error_number);
        return error_number == ENOENT ? Status::NotFound(message) : Status::IoError(message);
    }
    *descriptor = Descriptor(fd);
    return Status::Ok();
}

Status FileSize(int fd, const std::string& path, std::uint64_t* size_bytes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return Status::IoError(Describe("cannot inspect", path, errno));
    }
    *size_bytes = static_cast<std::uint64_t>(info.st_size);
    return Status::Ok();
}

Status ReadAt(int fd, const std::string& path, std::uint64_t offset, void* buffer,
              std::size_t count, std::size_t* read_bytes) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Status::IoError(Describe("cannot read", path, errno));
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    *read_bytes = done;
    return Status::Ok();
}

Status WriteAt(int fd, const std::string& path, std::uint64_t offset, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                     static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Status::IoError(Describe("cannot write", path, errno));
        }
        done += static_cast<std::size_t>(put);
    }
    return Status::Ok();
}

Status ReadPrefix(const std::string& path, std::size_t max_bytes, std::string* bytes) {
    Descriptor file;
    Status status = Open(path, O_RDONLY, &file);
    if (!status.ok()) {
        return status;
    }
    std::uint64_t size_bytes = 0;
    status = FileSize(file.get(), path, &size_bytes);
    if (!status.ok()) {
        return status;
    }
    std::string buffer(size_bytes < max_bytes ? static_cast<std::size_t>(size_bytes) : max_bytes,
                       '\0');
    std::size_t read_bytes = 0;
    status = ReadAt(file.get(), path, 0, buffer.data(), buffer.size(), &read_bytes);
    if (!status.ok()) {
        return status;
    }
    buffer.resize(read_bytes);
    *bytes = std::move(buffer);
    return Status::Ok();
}

Status ReplaceFile(const std::string& path, std::string_view bytes) {
    ReplacementFile file;
    Status status = ReplacementFile::Create(path, &file);
    if (status.ok()) {
        status = file.Append(bytes);
    }
    return status.ok() ? file.Commit() : status;
}

ReplacementFile::~ReplacementFile() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

Status ReplacementFile::Create(const std::string& path, ReplacementFile* file) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return Status::IoError(Describe("cannot create a temporary file beside", path, errno));
    }
    file->file_ = Descriptor(fd);
    file->path_ = path;
    file->temporary_.assign(name.data());
    return Status::Ok();
}

Status ReplacementFile::Append(std::string_view bytes) {
    constexpr std::size_t kBlockBytes = 256 * 1024;
    pending_.append(bytes);
    return pending_.size() >= kBlockBytes ? Flush() : Status::Ok();
}

Status ReplacementFile::Flush() {
    Status status = WriteAt(file_.get(), temporary_, written_bytes_, pending_);
    written_bytes_ += pending_.size();
    pending_.clear();
    return status;
}

Status ReplacementFile::Commit() {
    if (temporary_.empty()) {
        return Status::InvalidArgument("nothing to put in place of " + path_);
    }
    struct stat replaced {};
    const mode_t mode = ::stat(path_.c_str(), &replaced) == 0 ? (replaced.st_mode & 07777) : 0644;
    Status status = Flush();
    if (status.ok() && ::fchmod(file_.get(), mode) != 0) {
        status = Status::IoError(Describe("cannot set the mode of", temporary_, errno));
    }
    if (status.ok() && ::fsync(file_.get()) != 0) {
        status = Status::IoError(Describe("cannot flush", temporary_, errno));
    }
    if (status.ok() && ::close(file_.Release()) != 0) {
        status = Status::IoError(Describe("cannot close", temporary_, errno));
    }
    if (status.ok() && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        status = Status::IoError(Describe("cannot replace", path_, errno));
    }
    if (!status.ok()) {
        return status;  // the destructor removes the temporary file
    }
    temporary_.clear();
    // The rename itself is made durable; a failure here leaves the new file
    // in place, so it is not reported.
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    Descriptor directory;
    if (Open(folder, O_RDONLY | O_DIRECTORY, &directory).ok()) {
        ::fsync(directory.get());
    }
    return Status::Ok();
}

RangeLock::RangeLock(int fd, bool exclusive, std::uint64_t offset, std::uint64_t length)
    : fd_(fd), offset_(offset), length_(length) {
    struct flock range {};
    range.l_type = static_cast<short>(exclusive ? F_WRLCK : F_RDLCK);
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = static_cast<off_t>(length);
    int result;
    do {
        result = ::fcntl(fd, F_SETLKW, &range);
    } while (result != 0 && errno == EINTR);
    locked_ = result == 0;
}

RangeLock::~RangeLock() {
    if (!locked_) {
        return;
    }
    struct flock range {};
    range.l_type = F_UNLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset_);
    range.l_len = static_cast<off_t>(length_);
    ::fcntl(fd_, F_SETLK, &range);
}

}  // namespace kivo::recordstore::file_access
