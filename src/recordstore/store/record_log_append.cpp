// Appending record lines: see record_log_append.h.
#include "store/record_log_append.h"

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

namespace kivo::recordstore {
namespace {

constexpr auto kLockWait = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(10);

// Opens the log for writing with no sharing, creating it when missing; while
// another writer holds it, tries again until kLockWait has passed.
filesystem::FsResult<std::unique_ptr<filesystem::File>> OpenExclusively(
    filesystem::FileSystem& file_system, const std::string& log_path) {
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.creation = filesystem::Creation::kOpenOrCreate;
    options.exclusive_lock = true;
    options.follow_symbolic_links = false;
    options.permissions = 0644;
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (true) {
        auto opened = file_system.Open(log_path, options);
        if (opened.ok() || opened.status.error_number() != EWOULDBLOCK ||
            std::chrono::steady_clock::now() >= deadline) {
            return opened;
        }
        std::this_thread::sleep_for(kLockRetry);
    }
}

// Whether the bytes after the log's last line boundary are the end of a
// complete line (they end in a line break) rather than the start of a torn
// one. Only outside damage does that: a shortened or lengthened line (CR LF
// endings) puts every line after it out of step, and the tail then holds the
// end of a real line, which a new line written at the boundary would destroy.
// A torn write of this program leaves a start of a line, never its break.
filesystem::FsResult<bool> TailEndsALine(filesystem::File& log, std::uint64_t size_bytes) {
    if (size_bytes % kRecordLineBytes == 0)
        return {{}, false};
    char last = '\0';
    const auto read = log.ReadAt(size_bytes - 1, &last, 1);
    if (!read.ok())
        return {read.status, false};
    return {{}, read.value == 1 && last == '\n'};
}

std::string Describe(const std::string& log_path, const filesystem::FsStatus& status) {
    if (status.error_number() == EWOULDBLOCK)
        return log_path + ": in use by another writer";
    return log_path + ": " + status.Describe();
}

}  // namespace

std::optional<std::uint64_t> AppendRecordLine(filesystem::FileSystem& file_system,
                                              const std::string& log_path, const RecordLine& line,
                                              std::string* error) {
    if (line.bytes().size() != kRecordLineBytes) {
        *error = "no record line to append";
        return std::nullopt;
    }
    auto opened = OpenExclusively(file_system, log_path);
    if (!opened.ok()) {
        *error = Describe(log_path, opened.status);
        return std::nullopt;
    }
    filesystem::File& log = *opened.value;
    const auto info = log.Stat();
    if (!info.ok()) {
        *error = Describe(log_path, info.status);
        return std::nullopt;
    }
    const std::uint64_t size_bytes = info.value.size_bytes;
    const auto out_of_step = TailEndsALine(log, size_bytes);
    if (!out_of_step.ok()) {
        *error = Describe(log_path, out_of_step.status);
        return std::nullopt;
    }
    if (out_of_step.value) {
        *error = log_path + ": the record log is damaged (its lines are not 401 bytes each); " +
                 "nothing was written to it";
        return std::nullopt;
    }
    std::uint64_t offset = size_bytes - size_bytes % kRecordLineBytes;
    if (offset == 0) {
        const std::string header = RecordLine::HeaderLine();
        const auto written = log.WriteAt(0, header.data(), header.size());
        if (!written.ok()) {
            *error = Describe(log_path, written.status);
            return std::nullopt;
        }
        offset = kRecordLineBytes;
    }
    // A torn tail is shorter than one line, so the new line covers it whole.
    const auto written = log.WriteAt(offset, line.bytes().data(), line.bytes().size());
    if (!written.ok()) {
        *error = Describe(log_path, written.status);
        return std::nullopt;
    }
    return offset;
}

bool RemoveAppendedLine(filesystem::FileSystem& file_system, const std::string& log_path,
                        std::uint64_t offset, std::string* error) {
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.follow_symbolic_links = false;
    auto opened = file_system.Open(log_path, options);
    filesystem::FsStatus status = opened.status;
    if (opened.ok())
        status = opened.value->Truncate(offset);
    if (!status.ok()) {
        *error = Describe(log_path, status);
        return false;
    }
    return true;
}

}  // namespace kivo::recordstore
