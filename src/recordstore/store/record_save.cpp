// Saving a new record: see record_save.h.
#include "kivo/recordstore/record_save.h"

#include <cerrno>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/store_repository.h"
#include "store/record_log_append.h"
#include "store/store_paths.h"

namespace kivo::recordstore {
namespace {

RecordSaveResult Failure(std::string error) {
    return RecordSaveResult{0, std::move(error)};
}

std::string ContainerName(const RecordSaveRequest& request) {
    const std::string_view extension = request.media_kind == MediaKind::kVideo
                                           ? kVideoContainerExtension
                                           : kAudioContainerExtension;
    return std::string(kContainerPrefix) + request.stamp + std::string(extension);
}

std::vector<std::string> ContainerMembers(const RecordSaveRequest& request) {
    std::vector<std::string> members = {request.media, request.record_line, request.index_marks};
    for (const std::string& extra : request.extras) {
        if (!extra.empty())
            members.push_back(extra);
    }
    return members;
}

}  // namespace

std::string RecordLogName(RecordLogKind log) {
    switch (log) {
        case RecordLogKind::kMeetings:
            return std::string(kMeetingLogName);
        case RecordLogKind::kPhoneCalls:
            return std::string(kPhoneLogName);
        case RecordLogKind::kDiary:
            return std::string(kDiaryLogName);
        case RecordLogKind::kMessages:
            break;
    }
    return std::string(kMessageLogName);
}

RecordSaveResult RecordSaver::Save(const RecordSaveRequest& request) const {
    const std::string container_name = ContainerName(request);
    const std::vector<std::string> members = ContainerMembers(request);
    if (!IsSafeMemberName(container_name))
        return Failure("bad stamp: " + request.stamp);
    for (const std::string& member : members) {
        if (!IsSafeMemberName(member))
            return Failure("bad file name: " + member);
    }

    // A new container replaces any earlier file of its name.
    const std::string container_path = JoinPath(request.working_folder, container_name);
    if (const auto removed = file_system_.Unlink(container_path);
        !removed.ok() && removed.error_number() != ENOENT) {
        return Failure(container_path + ": " + removed.Describe());
    }
    codec_.Encode(
        JoinPath(request.working_folder, request.media));  // unencodable media is kept as is

    Repository container(file_system_, container_path);
    std::string error;
    RecordLine line;
    if (!container.Put(request.working_folder, members) || !container.CompressIfNeeded()) {
        error = container.last_error();
    } else {
        // A short or broken ".xrl" file never lands in a log.
        const Status read = RecordLine::ReadFile(
            file_system_, JoinPath(request.working_folder, request.record_line), &line);
        if (!read.ok())
            error = read.message();
    }
    if (!error.empty()) {
        file_system_.Unlink(container_path);
        return Failure(error);
    }

    const std::string log_name = RecordLogName(request.log);
    const std::string log_path = JoinPath(request.working_folder, log_name);
    const std::optional<std::uint64_t> offset =
        AppendRecordLine(file_system_, log_path, line, &error);
    if (!offset) {
        file_system_.Unlink(container_path);
        return Failure(error);
    }
    if (request.append_only)
        return RecordSaveResult{*offset, {}};

    // One store call, container first: the engine stores all three or none.
    std::vector<std::string> stored = {container_name};
    if (!request.container_only) {
        stored.push_back(log_name);
        stored.emplace_back(kIndexName);
    }
    Repository store(file_system_, request.store_path);
    const bool put = request.put_into_store ? request.put_into_store(stored)
                                            : store.Put(request.working_folder, stored);
    if (!put) {
        // The record is not in the store: its line leaves the log again, so
        // that the log (put back into the store later) never names a
        // container the store does not hold.
        RemoveAppendedLine(file_system_, log_path, *offset, &error);
        file_system_.Unlink(container_path);
        const std::string refusal =
            request.put_into_store ? "the data store refused the record" : store.last_error();
        return Failure(refusal + (error.empty() ? "" : "; " + error));
    }
    return RecordSaveResult{*offset, {}};
}

}  // namespace kivo::recordstore
