// RecordLog: scanning a record log 401 bytes at a time, reading one line by
// position, and replacing a record's line in place.
#include "kivo/recordstore/record_log.h"

#include <algorithm>
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
                          std::uint64_t* offset_bytes) {
    if (line.bytes().size() != kRecordLineBytes || !line.IsRecord()) {
        return Status::InvalidArgument("only the line of a live record replaces another");
    }
    std::unique_ptr<filesystem::File> log;
    Status status = file_access::Open(
        file_system, path, file_access::ForUpdating(filesystem::Creation::kOpenExisting), &log);
    if (!status.ok()) {
        return status;
    }
    // The whole log stays locked from the search to the write, so no other
    // writer moves the line in between.
    file_access::RangeLock lock(*log, /*exclusive=*/true);
    if (!lock.locked()) {
        return Status::IoError(path + ": cannot lock the record log");
    }
    std::uint64_t found_offset = 0;
    bool found = false;
    RecordLogScan scan;
    RecordLine candidate;
    status = ForEachLineBytes(*log, path, &scan, [&](std::uint64_t offset, std::string_view bytes) {
        if (RecordLine::Parse(bytes, &candidate).ok() &&
            candidate.record_number() == line.record_number()) {
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
    status = file_access::WriteAt(*log, path, found_offset, line.bytes());
    if (status.ok() && offset_bytes != nullptr) {
        *offset_bytes = found_offset;
    }
    return status;
}

Status RecordLog::Replace(const std::string& path, const RecordLine& line,
                          std::uint64_t* offset_bytes) {
    return Replace(filesystem::DefaultFileSystem(), path, line, offset_bytes);
}

}  // namespace kivo::recordstore
