// RecordLog: scanning a record log 401 bytes at a time, reading one line by
// position, replacing a record's line in place and rewriting the whole log.
// Every pass over the lines goes through ForEachLineBytes.
#include "kivo/recordstore/record_log.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "kivo/filesystem/posix_file_system.h"
#include "line/file_access.h"

namespace kivo::recordstore {
namespace {

// Lines read per block while scanning.
constexpr std::size_t kLinesPerBlock = 1024;

// Calls visit(offset, bytes) for every complete 401-byte line of an open
// log; stops when visit returns false.
template <typename Visit>
Status ForEachLineBytes(filesystem::File& log, const std::string& path, RecordLogScan* scan,
                        Visit visit) {
    std::uint64_t size_bytes = 0;
    Status status = file_access::FileSize(log, path, &size_bytes);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t complete_lines = size_bytes / kRecordLineBytes;
    scan->torn_tail_bytes = size_bytes % kRecordLineBytes;
    std::vector<char> block(kLinesPerBlock * kRecordLineBytes);
    for (std::uint64_t first = 0; first < complete_lines; first += kLinesPerBlock) {
        const std::uint64_t lines = std::min<std::uint64_t>(kLinesPerBlock, complete_lines - first);
        std::size_t read_bytes = 0;
        status =
            file_access::ReadAt(log, path, first * kRecordLineBytes, block.data(),
                                static_cast<std::size_t>(lines * kRecordLineBytes), &read_bytes);
        if (!status.ok()) {
            return status;
        }
        const std::uint64_t lines_read = read_bytes / kRecordLineBytes;  // the file may shrink
        for (std::uint64_t i = 0; i < lines_read; ++i) {
            ++scan->complete_lines;
            const std::string_view bytes(block.data() + i * kRecordLineBytes, kRecordLineBytes);
            if (!visit((first + i) * kRecordLineBytes, bytes)) {
                return Status::Ok();
            }
        }
        if (lines_read < lines) {
            break;
        }
    }
    return Status::Ok();
}

// A log opened and locked whole: exclusively to change it in place, shared
// to copy it.
struct LockedLog {
    // The lock is released before the file closes.
    std::unique_ptr<filesystem::File> file;
    std::unique_ptr<file_access::RangeLock> lock;
};

Status OpenLocked(filesystem::FileSystem& file_system, const std::string& path, bool exclusive,
                  LockedLog* log) {
    Status status =
        file_access::Open(file_system, path,
                          exclusive ? file_access::ForUpdating(filesystem::Creation::kOpenExisting)
                                    : file_access::ForReading(),
                          &log->file);
    if (!status.ok()) {
        return status;
    }
    log->lock = std::make_unique<file_access::RangeLock>(*log->file, exclusive);
    if (!log->lock->locked()) {
        return Status::IoError(path + ": cannot lock the record log");
    }
    return Status::Ok();
}

}  // namespace

Status RecordLog::ForEachRecord(FileSystem& file_system, const std::string& path,
                                const std::function<bool(const RecordLogEntry&)>& visit,
                                RecordLogScan* scan) {
    RecordLogScan local_scan;
    RecordLogScan& counts = scan != nullptr ? *scan : local_scan;
    counts = RecordLogScan{};
    std::unique_ptr<filesystem::File> log;
    Status status = file_access::Open(file_system, path, file_access::ForReading(), &log);
    if (!status.ok()) {
        return status;
    }
    RecordLogEntry entry;
    return ForEachLineBytes(*log, path, &counts, [&](std::uint64_t offset, std::string_view bytes) {
        if (!RecordLine::Parse(bytes, &entry.line).ok()) {
            if (counts.malformed_lines == 0)
                counts.first_malformed_offset_bytes = offset;
            ++counts.malformed_lines;
            return true;
        }
        if (!entry.line.IsRecord()) {
            return true;
        }
        entry.offset_bytes = offset;
        return visit(entry);
    });
}

Status RecordLog::ForEachRecord(const std::string& path,
                                const std::function<bool(const RecordLogEntry&)>& visit,
                                RecordLogScan* scan) {
    return ForEachRecord(filesystem::DefaultFileSystem(), path, visit, scan);
}

Status RecordLog::ReadAll(FileSystem& file_system, const std::string& path,
                          std::vector<RecordLogEntry>* records, RecordLogScan* scan) {
    records->clear();
    return ForEachRecord(
        file_system, path,
        [&](const RecordLogEntry& entry) {
            records->push_back(entry);
            return true;
        },
        scan);
}

Status RecordLog::ReadAll(const std::string& path, std::vector<RecordLogEntry>* records,
                          RecordLogScan* scan) {
    return ReadAll(filesystem::DefaultFileSystem(), path, records, scan);
}

Status RecordLog::ReadAt(FileSystem& file_system, const std::string& path,
                         std::uint64_t offset_bytes, RecordLine* line) {
    if (offset_bytes % kRecordLineBytes != 0) {
        return Status::InvalidArgument("a record line starts at a multiple of 401 bytes");
    }
    std::unique_ptr<filesystem::File> log;
    Status status = file_access::Open(file_system, path, file_access::ForReading(), &log);
    if (!status.ok()) {
        return status;
    }
    std::string bytes(kRecordLineBytes, '\0');
    std::size_t read_bytes = 0;
    status = file_access::ReadAt(*log, path, offset_bytes, bytes.data(), bytes.size(), &read_bytes);
    if (!status.ok()) {
        return status;
    }
    if (read_bytes != kRecordLineBytes) {
        return Status::NotFound(path + ": no complete line at " + std::to_string(offset_bytes));
    }
    return RecordLine::Parse(bytes, line);
}

Status RecordLog::ReadAt(const std::string& path, std::uint64_t offset_bytes, RecordLine* line) {
    return ReadAt(filesystem::DefaultFileSystem(), path, offset_bytes, line);
}

Status RecordLog::Find(FileSystem& file_system, const std::string& path, std::int32_t record_number,
                       RecordLogEntry* entry) {
    bool found = false;
    Status status = ForEachRecord(file_system, path, [&](const RecordLogEntry& candidate) {
        if (candidate.line.record_number() != record_number) {
            return true;
        }
        *entry = candidate;
        found = true;
        return false;
    });
    if (status.ok() && !found) {
        return Status::NotFound(path + ": no record " + std::to_string(record_number));
    }
    return status;
}

Status RecordLog::Find(const std::string& path, std::int32_t record_number, RecordLogEntry* entry) {
    return Find(filesystem::DefaultFileSystem(), path, record_number, entry);
}

Status RecordLog::Replace(FileSystem& file_system, const std::string& path, const RecordLine& line,
                          std::uint64_t* offset_bytes, RecordLine* previous) {
    if (line.bytes().size() != kRecordLineBytes || !line.IsRecord()) {
        return Status::InvalidArgument("only the line of a live record replaces another");
    }
    // The whole log stays locked from the search to the write, so no other
    // writer moves the line in between.
    LockedLog log;
    Status status = OpenLocked(file_system, path, /*exclusive=*/true, &log);
    if (!status.ok()) {
        return status;
    }
    std::uint64_t found_offset = 0;
    bool found = false;
    RecordLogScan scan;
    RecordLine candidate;
    status =
        ForEachLineBytes(*log.file, path, &scan, [&](std::uint64_t offset, std::string_view bytes) {
            // The number alone first: parsing every line cost more than
            // reading the log.
            if (RecordLine::NumberOf(bytes) == line.record_number() &&
                RecordLine::Parse(bytes, &candidate).ok()) {
                found_offset = offset;
                found = true;
                return false;
            }
            return true;
        });
    if (!status.ok()) {
        return status;
    }
    if (!found) {
        return Status::NotFound(path + ": no record " + std::to_string(line.record_number()));
    }
    status = file_access::WriteAt(*log.file, path, found_offset, line.bytes());
    if (status.ok() && offset_bytes != nullptr) {
        *offset_bytes = found_offset;
    }
    if (status.ok() && previous != nullptr) {
        *previous = candidate;
    }
    return status;
}

Status RecordLog::Replace(const std::string& path, const RecordLine& line,
                          std::uint64_t* offset_bytes, RecordLine* previous) {
    return Replace(filesystem::DefaultFileSystem(), path, line, offset_bytes, previous);
}

Status RecordLog::Rewrite(FileSystem& file_system, const std::string& path,
                          const std::function<RecordLogLineEdit(const RecordLogLine&)>& decide) {
    // Writers that replace a line in place wait until the copy is done.
    LockedLog log;
    Status status = OpenLocked(file_system, path, /*exclusive=*/false, &log);
    if (!status.ok()) {
        return status;
    }
    file_access::ReplacementFile copy(file_system);
    status = file_access::ReplacementFile::Create(path, &copy);
    if (!status.ok()) {
        return status;
    }
    RecordLogScan scan;
    std::uint64_t written_bytes = 0;
    Status copied;
    status =
        ForEachLineBytes(*log.file, path, &scan, [&](std::uint64_t offset, std::string_view bytes) {
            const RecordLogLineEdit edit = decide(RecordLogLine{offset, written_bytes, bytes});
            std::string_view kept = bytes;
            if (edit.action == RecordLogLineEdit::Action::kDrop) {
                return true;
            }
            if (edit.action == RecordLogLineEdit::Action::kReplace) {
                if (edit.replacement.size() != kRecordLineBytes) {
                    copied = Status::InvalidArgument("a replacement line is 401 bytes");
                    return false;
                }
                kept = edit.replacement;
            }
            copied = copy.Append(kept);
            written_bytes += kept.size();
            return copied.ok();
        });
    if (!status.ok()) {
        return status;
    }
    if (!copied.ok()) {
        return copied;
    }
    if (scan.torn_tail_bytes > 0) {
        std::string tail(static_cast<std::size_t>(scan.torn_tail_bytes), '\0');
        std::size_t read_bytes = 0;
        status = file_access::ReadAt(*log.file, path, scan.complete_lines * kRecordLineBytes,
                                     tail.data(), tail.size(), &read_bytes);
        if (!status.ok()) {
            return status;
        }
        tail.resize(read_bytes);
        status = copy.Append(tail);
        if (!status.ok()) {
            return status;
        }
    }
    return copy.Commit();
}

Status RecordLog::Rewrite(const std::string& path,
                          const std::function<RecordLogLineEdit(const RecordLogLine&)>& decide) {
    return Rewrite(filesystem::DefaultFileSystem(), path, decide);
}

Status RecordLog::ForEachLine(FileSystem& file_system, const std::string& path,
                              const std::function<bool(const RecordLogLine&)>& visit) {
    std::unique_ptr<filesystem::File> log;
    Status status = file_access::Open(file_system, path, file_access::ForReading(), &log);
    if (!status.ok()) {
        return status;
    }
    RecordLogScan scan;
    return ForEachLineBytes(*log, path, &scan, [&](std::uint64_t offset, std::string_view bytes) {
        return visit(RecordLogLine{offset, offset, bytes});
    });
}

Status RecordLog::ForEachLine(const std::string& path,
                              const std::function<bool(const RecordLogLine&)>& visit) {
    return ForEachLine(filesystem::DefaultFileSystem(), path, visit);
}

}  // namespace kivo::recordstore
