// Saving the video player's marks (see video_marks_saver.h).
#include "kivo/video/video_marks_saver.h"

#include "kivo/core/data_store_session.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"

namespace kivo::video {

VideoMarksSaver::VideoMarksSaver(core::DataStoreSession& store) : store_(store), updater_(store) {}

VideoMarksSaver::Result VideoMarksSaver::Save(
    std::int32_t record_number, const std::string& container_name,
    const std::vector<recordstore::IndexMark>& marks) const {
    if (!updater_.bound())
        return {Outcome::kNotBound,
                core::RecordUpdateStatusText(core::RecordUpdateStatus::kNotBound)};
    const std::string base = container_name.substr(0, container_name.rfind('.'));
    const std::string marks_name = base + std::string(recordstore::kIndexMarksExtension);
    const recordstore::Status written =
        recordstore::WriteIndexMarkFile((store_.working_folder() / marks_name).string(), marks,
                                        recordstore::IndexMarkStyle::kWithoutType);
    if (!written.ok())
        return {Outcome::kMarksNotWritten, written.message()};

    core::RecordChange change;
    change.container_name = container_name;
    change.changed_members = {marks_name};
    // The entry is replaced whole: the stored one with the comments of now.
    // A record without an entry keeps having none.
    recordstore::RecordIndex index((store_.working_folder() / recordstore::kIndexName).string());
    recordstore::IndexRecord entry;
    const recordstore::Status found = index.Get(record_number, &entry);
    std::string index_failure;
    if (found.ok()) {
        entry.mark_comments = recordstore::JoinMarkComments(marks);
        change.index_entry = entry;
    } else if (found.code() != recordstore::Status::Code::kNotFound) {
        index_failure = found.message();
    }

    const core::RecordUpdateResult updated = updater_.Update(change);
    if (!updated.stored())
        return {Outcome::kNotStored, updated.detail};
    if (!updated.ok())
        return {Outcome::kIndexFailed, updated.detail};
    if (!index_failure.empty())
        return {Outcome::kIndexFailed, index_failure};
    return {};
}

}  // namespace kivo::video
