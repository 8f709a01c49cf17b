// Appending a finished take to the accumulated file.
#include "kivo/wavefile/raw_take_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "kivo/wavefile/fd_io.h"
#include "kivo/wavefile/riff_layout.h"

namespace kivo::wavefile {

namespace {

ssize_t ReadSome(int fd, std::uint8_t* bytes, std::size_t size_bytes) {
    for (;;) {
        const ssize_t got = ::read(fd, bytes, size_bytes);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got;
    }
}

}  // namespace

int AppendTakeFile(const std::string& take_path, const std::string& accumulated_path) {
    const int take = ::open(take_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (take < 0) {
        return kAppendTakeCannotOpenTake;
    }
    const int accumulated = ::open(accumulated_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (accumulated < 0) {
        ::close(take);
        return kAppendTakeCannotOpenAccumulated;
    }
    // A failed append is undone by cutting the file back to this size, so
    // the accumulated file never holds half a take.
    const off_t original_end = ::lseek(accumulated, 0, SEEK_END);
    bool ok = original_end >= 0;
    std::vector<std::uint8_t> piece(kCopyPieceBytes);
    while (ok) {
        const ssize_t got = ReadSome(take, piece.data(), piece.size());
        if (got < 0) {
            ok = false;
            break;
        }
        if (got > 0 && !WriteAll(accumulated, piece.data(), static_cast<std::size_t>(got))) {
            ok = false;
            break;
        }
        if (static_cast<std::size_t>(got) < piece.size()) {
            break;
        }
    }
    if (!ok && original_end >= 0) {
        if (::ftruncate(accumulated, original_end) != 0) {
            // Nothing more can be done; the result already reports failure.
        }
    }
    ::close(take);
    if (::close(accumulated) != 0) {
        ok = false;
    }
    return ok ? kAppendTakeOk : kAppendTakeCannotOpenAccumulated;
}

}  // namespace kivo::wavefile
