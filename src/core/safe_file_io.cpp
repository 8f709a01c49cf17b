// Whole-file reads, atomic replacement and lock files; see atomic_file.h.
#include "kivo/core/safe_file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kivo::core {
namespace {

void FsyncFolderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

ReadResult ReadWholeFile(const std::filesystem::path& path, std::uint64_t max_bytes,
                         std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::kFailed;
    }
    if (static_cast<std::uint64_t>(st.st_size) > max_bytes) {
        ::close(fd);
        return ReadResult::kTooLarge;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            out.clear();
            return ReadResult::kFailed;
        }
        if (n == 0)
            break;
        out.append(buffer.data(), static_cast<std::size_t>(n));
        if (out.size() > max_bytes) {  // grew while we read
            ::close(fd);
            out.clear();
            return ReadResult::kTooLarge;
        }
    }
    ::close(fd);
    return ReadResult::kOk;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temp_path) {
    std::string pattern = target.string() + ".XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        temp_path.clear();
        return -1;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    temp_path = pattern;
    return fd;
}

bool PublishTemporary(int fd, const std::filesystem::path& temp_path,
                      const std::filesystem::path& target, unsigned new_mode) {
    struct stat st {};
    mode_t mode = static_cast<mode_t>(new_mode);
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    bool ok = ::fchmod(fd, mode) == 0;
    // A failed fsync is never retried: the data may already be lost.
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temp_path.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp_path.c_str());
        return false;
    }
    FsyncFolderOf(target);
    return true;
}

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           unsigned new_mode) {
    std::filesystem::path temp;
    int fd = CreateTemporaryBeside(target, temp);
    if (fd < 0)
        return false;
    if (!WriteAll(fd, bytes.data(), bytes.size())) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    return PublishTemporary(fd, temp, target, new_mode);
}

bool ReadFully(int fd, char* data, std::size_t size, std::size_t& filled) {
    filled = 0;
    while (filled < size) {
        ssize_t n = ::read(fd, data + filled, size - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyAll(int in, int out) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n)))
            return false;
    }
}

bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::filesystem::path temp;
    int out = CreateTemporaryBeside(target, temp);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = CopyAll(in, out);
    ::close(in);
    if (!ok) {
        ::close(out);
        ::unlink(temp.c_str());
        return false;
    }
    return PublishTemporary(out, temp, target);
}

FileLock::FileLock(const std::filesystem::path& lock_path) {
    fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0)
        ::close(fd_);  // closing releases the lock
}

}  // namespace kivo::core
