// Replacing one record line in its record log; see record_replace.h.
#include "kivo/core/record_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "kivo/core/safe_file_io.h"
#include "kivo/recordstore/record_line.h"
#include "zn2xrrps.h"

namespace kivo::core {
namespace {

namespace fs = std::filesystem;
using recordstore::kErasedRecordNumber;
using recordstore::kRecordLineBytes;

// Where the previous log is kept until the store has taken the new one.
constexpr const char* kPreviousLogName = "templog.old";
// Lines read and written per block.
constexpr std::size_t kLinesPerBlock = 256;

// Copies the log into the open temporary file with the new line in place of
// the record's first live line. Sets *offset when that line was found.
RecordReplaceStatus CopyWithReplacement(int in, int out, std::int32_t record_number,
                                        const std::string& new_line,
                                        std::optional<std::uint64_t>* offset) {
    std::string block(kRecordLineBytes * kLinesPerBlock, '\0');
    std::uint64_t block_start = 0;
    for (;;) {
        std::size_t filled = 0;
        if (!core::ReadFully(in, block.data(), block.size(), filled))
            return RecordReplaceStatus::kLogUnreadable;
        // Only whole lines are looked at; a torn tail is copied unchanged.
        // A line counts as the record's the way RecordLog finds it: a
        // well-formed record line carrying the number.
        const std::size_t whole = filled / kRecordLineBytes * kRecordLineBytes;
        recordstore::RecordLine candidate;
        for (std::size_t at = 0; !offset->has_value() && at < whole; at += kRecordLineBytes) {
            const std::string_view line(block.data() + at, kRecordLineBytes);
            if (recordstore::RecordLine::Parse(line, &candidate).ok() &&
                candidate.record_number() == record_number) {
                block.replace(at, kRecordLineBytes, new_line);
                *offset = block_start + at;
            }
        }
        if (!core::WriteAll(out, block.data(), filled))
            return RecordReplaceStatus::kLogWriteFailed;
        if (filled < block.size())
            return RecordReplaceStatus::kReplaced;
        block_start += filled;
    }
}

// Keeps the current log under backup: a second name for the same file where
// the file system allows it, else a copy.
bool KeepPreviousLog(const fs::path& log, const fs::path& backup) {
    ::unlink(backup.c_str());
    if (::link(log.c_str(), backup.c_str()) == 0)
        return true;
    return core::CopyFileAtomically(log, backup);
}

bool PutIntoStore(const fs::path& store, const fs::path& log) {
    const std::string folder = log.parent_path().string();
    const std::string name = log.filename().string();
    const char* names[] = {name.c_str()};
    return RPS_Put(store.c_str(), folder.c_str(), names, 1) == nullptr;
}

}  // namespace

RecordReplaceResult ReplaceRecordLine(const RecordReplaceRequest& request) {
    RecordReplaceResult result;
    if (request.record_number < 1 || request.record_number >= kErasedRecordNumber) {
        result.status = RecordReplaceStatus::kInvalidRecordNumber;
        return result;
    }
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile(request.record_file.string(), &line).ok() ||
        line.record_number() != request.record_number) {
        result.status = RecordReplaceStatus::kRecordFileUnusable;
        return result;
    }

    const int in = ::open(request.record_log.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        result.status = RecordReplaceStatus::kLogUnreadable;
        return result;
    }
    const fs::path temp = request.working_folder / kReplaceTemporaryName;
    const int out =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        result.status = RecordReplaceStatus::kLogWriteFailed;
        return result;
    }
    std::optional<std::uint64_t> offset;
    RecordReplaceStatus copied =
        CopyWithReplacement(in, out, request.record_number, line.bytes(), &offset);
    ::close(in);
    if (copied == RecordReplaceStatus::kReplaced && !offset)
        copied = RecordReplaceStatus::kRecordNotFound;
    if (copied != RecordReplaceStatus::kReplaced) {
        ::close(out);
        ::unlink(temp.c_str());
        result.status = copied;
        return result;
    }

    const fs::path previous = request.working_folder / kPreviousLogName;
    if (!KeepPreviousLog(request.record_log, previous)) {
        ::close(out);
        ::unlink(temp.c_str());
        result.status = RecordReplaceStatus::kLogWriteFailed;
        return result;
    }
    // Synced and renamed over the log: readers see the old or the new log,
    // never a half-written one.
    if (!core::PublishTemporary(out, temp, request.record_log)) {
        ::unlink(previous.c_str());
        result.status = RecordReplaceStatus::kLogWriteFailed;
        return result;
    }
    if (!PutIntoStore(request.store_path, request.record_log)) {
        // Should the rename back fail, the previous log stays under its
        // second name rather than being lost.
        ::rename(previous.c_str(), request.record_log.c_str());
        result.status = RecordReplaceStatus::kStoreFailed;
        return result;
    }
    ::unlink(previous.c_str());
    result.status = RecordReplaceStatus::kReplaced;
    result.offset_bytes = *offset;
    return result;
}

const char* RecordReplaceStatusText(RecordReplaceStatus status) {
    switch (status) {
        case RecordReplaceStatus::kReplaced:
            return "record line replaced";
        case RecordReplaceStatus::kInvalidRecordNumber:
            return "record number out of range";
        case RecordReplaceStatus::kRecordFileUnusable:
            return "record file missing or not the record's line";
        case RecordReplaceStatus::kLogUnreadable:
            return "record log cannot be read";
        case RecordReplaceStatus::kRecordNotFound:
            return "record not in its record log";
        case RecordReplaceStatus::kLogWriteFailed:
            return "record log cannot be rewritten";
        case RecordReplaceStatus::kStoreFailed:
            return "data store refused the record log";
    }
    return "unknown";
}

}  // namespace kivo::core
