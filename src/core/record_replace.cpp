// Replacing one record line in its record log; see record_replace.h.
#include "kivo/core/record_replace.h"

#include <system_error>

#include "kivo/recordstore/record_line.h"
#include "record_change_writer.h"

namespace kivo::core {
namespace {

RecordReplaceStatus ReplaceStatusOf(RecordUpdateStatus status) {
    switch (status) {
        case RecordUpdateStatus::kUpdated:
            return RecordReplaceStatus::kReplaced;
        case RecordUpdateStatus::kRecordNotFound:
            return RecordReplaceStatus::kRecordNotFound;
        case RecordUpdateStatus::kStoreFailed:
            return RecordReplaceStatus::kStoreFailed;
        case RecordUpdateStatus::kInvalidChange:
            return RecordReplaceStatus::kRecordFileUnusable;
        default:
            return RecordReplaceStatus::kLogWriteFailed;
    }
}

}  // namespace

RecordReplaceResult ReplaceRecordLine(const RecordReplaceRequest& request) {
    RecordReplaceResult result;
    if (request.record_number < 1 || request.record_number >= recordstore::kErasedRecordNumber) {
        result.status = RecordReplaceStatus::kInvalidRecordNumber;
        return result;
    }
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile(request.record_file.string(), &line).ok() ||
        line.record_number() != request.record_number) {
        result.status = RecordReplaceStatus::kRecordFileUnusable;
        return result;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(request.record_log, error)) {
        result.status = RecordReplaceStatus::kLogUnreadable;
        return result;
    }
    RecordChange change;
    change.line = line;
    const RecordUpdateResult written =
        WriteRecordChange({request.store_path, request.working_folder, request.record_log}, change);
    result.status = ReplaceStatusOf(written.status);
    if (result.ok())
        result.offset_bytes = written.line_offset_bytes;
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
