// Whole reads and writes on POSIX file descriptors.
#include "kivo/wavefile/fd_io.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

namespace kivo::wavefile {

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size_bytes) {
    while (size_bytes > 0) {
        const ssize_t written = ::write(fd, bytes, size_bytes);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size_bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadAllAt(int fd, std::uint64_t offset, std::uint8_t* bytes, std::size_t size_bytes) {
    while (size_bytes > 0) {
        const ssize_t got = ::pread(fd, bytes, size_bytes, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;  // an error, or the file is shorter than promised
        bytes += got;
        offset += static_cast<std::uint64_t>(got);
        size_bytes -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace kivo::wavefile
