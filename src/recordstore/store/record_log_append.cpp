// Appending record lines: see record_log_append.h.
#include "store/record_log_append.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <thread>

#include "store/posix_file.h"

namespace kivo::recordstore {
namespace {

constexpr auto kLockWait = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(10);

bool LockExclusively(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kLockRetry);
    }
    return true;
}

bool WriteAt(int fd, std::uint64_t offset, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                         static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::optional<std::uint64_t> AppendRecordLine(const std::string& log_path, const RecordLine& line,
                                              std::string* error) {
    if (line.bytes().size() != kRecordLineBytes) {
        *error = "no record line to append";
        return std::nullopt;
    }
    PosixFile log(::open(log_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!log.is_open()) {
        *error = log_path + ": " + ErrnoText(errno);
        return std::nullopt;
    }
    if (!LockExclusively(log.fd())) {
        *error = log_path + ": in use by another writer";
        return std::nullopt;
    }
    std::uint64_t size_bytes = 0;
    if (!log.Size(&size_bytes)) {
        *error = log_path + ": " + ErrnoText(errno);
        return std::nullopt;
    }
    std::uint64_t offset = size_bytes - size_bytes % kRecordLineBytes;
    if (offset == 0) {
        if (!WriteAt(log.fd(), 0, RecordLine::HeaderLine())) {
            *error = log_path + ": " + ErrnoText(errno);
            return std::nullopt;
        }
        offset = kRecordLineBytes;
    }
    // A torn tail is shorter than one line, so the new line covers it whole.
    if (!WriteAt(log.fd(), offset, line.bytes()) || !log.Close()) {
        *error = log_path + ": " + ErrnoText(errno);
        return std::nullopt;
    }
    return offset;
}

}  // namespace kivo::recordstore
