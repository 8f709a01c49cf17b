// RAII helpers over POSIX file descriptors: see posix_file.h.
#include "store/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace kivo::recordstore {

std::string ErrnoText(int error_number) {
    char buffer[256];
    // GNU strerror_r returns the text, which may not be in buffer.
    return std::string(strerror_r(error_number, buffer, sizeof buffer));
}

PosixFile::~PosixFile() {
    Close();
}

PosixFile::PosixFile(PosixFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

PosixFile PosixFile::OpenForReading(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && error != nullptr)
        *error = path + ": " + ErrnoText(errno);
    return PosixFile(fd);
}

bool PosixFile::Size(std::uint64_t* size_bytes) const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || info.st_size < 0)
        return false;
    *size_bytes = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool PosixFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                       std::size_t* read_bytes) const {
    std::size_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    *read_bytes = done;
    return true;
}

bool PosixFile::ReadExactlyAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    std::size_t got = 0;
    return ReadAt(offset, buffer, count, &got) && got == count;
}

bool PosixFile::WriteAll(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const ssize_t written = ::write(fd_, bytes, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

bool PosixFile::Close() {
    if (fd_ < 0)
        return true;
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0;
}

ReplacementFile::ReplacementFile(std::string target_path) : target_path_(std::move(target_path)) {}

ReplacementFile::~ReplacementFile() {
    file_.Close();
    if (!committed_ && !temporary_path_.empty())
        ::unlink(temporary_path_.c_str());
}

bool ReplacementFile::Create(std::string* error) {
    const std::size_t slash = target_path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_path_.substr(0, slash + 1);
    const std::string name =
        slash == std::string::npos ? target_path_ : target_path_.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> writable(pattern.begin(), pattern.end());
    writable.push_back('\0');
    const int fd = ::mkostemp(writable.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = target_path_ + ": cannot create a temporary file: " + ErrnoText(errno);
        return false;
    }
    temporary_path_ = writable.data();
    file_ = PosixFile(fd);
    return true;
}

bool ReplacementFile::Commit(unsigned mode_bits, std::string* error) {
    if (::fchmod(file_.fd(), static_cast<mode_t>(mode_bits)) != 0 || !file_.Close()) {
        *error = temporary_path_ + ": " + ErrnoText(errno);
        return false;
    }
    if (::rename(temporary_path_.c_str(), target_path_.c_str()) != 0) {
        *error = target_path_ + ": cannot replace: " + ErrnoText(errno);
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace kivo::recordstore
