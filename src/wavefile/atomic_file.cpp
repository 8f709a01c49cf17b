// Temporary-name-and-rename file writing for the wave writers.
#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kivo::wavefile::internal {

namespace {

std::string ErrnoText() {
    return std::strerror(errno);
}

}  // namespace

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_path_.empty()) {
        ::unlink(temporary_path_.c_str());
        temporary_path_.clear();
    }
}

WaveStatus AtomicFile::Open(const std::string& final_path) {
    Discard();
    final_path_ = final_path;
    std::vector<char> name(final_path.begin(), final_path.end());
    const char suffix[] = ".partXXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);  // keeps the NUL
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) {
        return WaveStatus::Error("cannot create a file beside \"" + final_path +
                                 "\": " + ErrnoText());
    }
    temporary_path_ = name.data();
    ::fchmod(fd_, 0644);
    return WaveStatus::Ok();
}

WaveStatus AtomicFile::Write(const void* data, std::size_t size_bytes) {
    const char* bytes = static_cast<const char*>(data);
    while (size_bytes > 0) {
        const ssize_t written = ::write(fd_, bytes, size_bytes);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return WaveStatus::Error("cannot write \"" + final_path_ + "\": " + ErrnoText());
        }
        bytes += written;
        size_bytes -= static_cast<std::size_t>(written);
    }
    return WaveStatus::Ok();
}

WaveStatus AtomicFile::Commit() {
    if (::fsync(fd_) != 0) {
        return WaveStatus::Error("cannot write \"" + final_path_ + "\" to disk: " + ErrnoText());
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        return WaveStatus::Error("cannot close \"" + final_path_ + "\": " + ErrnoText());
    }
    if (::rename(temporary_path_.c_str(), final_path_.c_str()) != 0) {
        return WaveStatus::Error("cannot rename the new file to \"" + final_path_ +
                                 "\": " + ErrnoText());
    }
    temporary_path_.clear();
    return WaveStatus::Ok();
}

}  // namespace kivo::wavefile::internal
