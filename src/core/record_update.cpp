// Changing a stored record: see record_update.h.
#include "kivo/core/record_update.h"

#include <system_error>

#include "kivo/core/data_store_session.h"
#include "kivo/core/store_operation.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/recordstore/recording_container.h"

namespace kivo::core {
namespace {

namespace fs = std::filesystem;
using recordstore::IndexRecord;
using recordstore::RecordLine;
using recordstore::Status;

// Where a change is written: the data store and its working copies.
struct RecordChangePlaces {
    fs::path store_path;      // the data store (".xrt")
    fs::path working_folder;  // its working copies
    StoreAccess access;       // the repository calls, under the operation's lock
    // The session journals the record logs and the index: only the
    // container goes into the store here.
    bool components_journaled = false;
};

RecordUpdateResult Failure(RecordUpdateStatus status, std::string detail) {
    return {status, 0, std::move(detail)};
}

// The record log the change's line goes to; empty with a failure when the
// change cannot be written at all.
fs::path LogOf(const RecordChangePlaces& places, const RecordChange& change,
               RecordUpdateResult* refusal) {
    if (!change.line)
        return {};
    if (!change.line->IsRecord()) {
        *refusal = Failure(RecordUpdateStatus::kInvalidChange, "not the line of a live record");
        return {};
    }
    const char* name = recordstore::RecordLogNameForKind(
        change.line->StoredField(recordstore::record_field::kKindCode));
    if (name == nullptr) {
        *refusal = Failure(RecordUpdateStatus::kInvalidChange, "no record log for the kind");
        return {};
    }
    return places.working_folder / name;
}

// A refusal of a change that names nothing to store or mixes two records;
// nullopt when the change can be written.
std::optional<RecordUpdateResult> Refusal(const RecordChange& change) {
    if (change.container_name.empty() && !change.line && !change.index_entry)
        return Failure(RecordUpdateStatus::kInvalidChange, "nothing to store");
    if (change.line && change.index_entry &&
        change.index_entry->record_number != change.line->record_number())
        return Failure(RecordUpdateStatus::kInvalidChange, "index entry of another record");
    return std::nullopt;
}

// The working container and its line member are scratch: they reach the
// store only through the put of step 4, which syncs the store, and a start
// after a crash replaces the working folder. So they are written without
// syncs of their own.
recordstore::RecordingContainer ContainerOf(const std::string& name) {
    const bool video = name.ends_with(recordstore::kVideoContainerExtension);
    return recordstore::RecordingContainer(
        filesystem::ScratchFileSystem(), name,
        video ? recordstore::MediaKind::kVideo : recordstore::MediaKind::kAudio);
}

// Step 1: the working container gets its new members (the line's among them).
bool ChangeContainer(const RecordChangePlaces& places, const RecordChange& change,
                     std::string* detail) {
    const recordstore::RecordingContainer container = ContainerOf(change.container_name);
    std::vector<std::string> changed = change.changed_members;
    if (change.line) {
        const Status written =
            change.line->WriteFile(filesystem::ScratchFileSystem(),
                                   (places.working_folder / container.line_name()).string());
        if (!written.ok()) {
            *detail = written.message();
            return false;
        }
        changed.push_back(container.line_name());
    }
    if (container.Update(places.working_folder.string(), change.removed_members, changed) !=
        recordstore::ContainerResult::kDone) {
        *detail = change.container_name + ": the container could not be changed";
        return false;
    }
    return true;
}

// Step 2: the line in place of the record's line, which is kept to be put
// back should the store refuse the log.
RecordUpdateResult ReplaceLine(const fs::path& log, const RecordLine& line, RecordLine* previous) {
    std::error_code error;
    if (!fs::is_regular_file(log, error))
        return Failure(RecordUpdateStatus::kLogUnusable, log.string() + ": no record log");
    RecordUpdateResult result;
    const Status replaced =
        recordstore::RecordLog::Replace(log.string(), line, &result.line_offset_bytes, previous);
    if (replaced.code() == Status::Code::kNotFound)
        return Failure(RecordUpdateStatus::kRecordNotFound, replaced.message());
    if (!replaced.ok())
        return Failure(RecordUpdateStatus::kLogUnusable, replaced.message());
    result.status = RecordUpdateStatus::kUpdated;
    return result;
}

// Step 3: the record's index entry, with what it replaced kept to be put
// back should the store refuse the index. Works on the session's index
// object, whose scan of the file outlives the change.
class IndexEntryChange {
public:
    explicit IndexEntryChange(recordstore::RecordIndex& index) : index_(index) {}

    bool Write(const IndexRecord& entry) {
        IndexRecord earlier;
        const Status found = index_.Get(entry.record_number, &earlier);
        if (!found.ok() && found.code() != Status::Code::kNotFound)
            return false;
        if (found.ok())
            previous_ = earlier;
        number_ = entry.record_number;
        written_ = index_.Put(entry).ok();
        return written_;
    }

    bool written() const { return written_; }

    void PutBack() {
        if (!written_)
            return;
        if (previous_)
            index_.Put(*previous_);
        else
            index_.Remove(number_);
    }

private:
    recordstore::RecordIndex& index_;
    std::optional<IndexRecord> previous_;
    std::int32_t number_ = 0;
    bool written_ = false;
};

// Step 4 without a component journal: container, log and index in one
// repository call, the container first.
std::vector<std::string> MembersToStore(const RecordChange& change, const fs::path& log,
                                        bool index_written) {
    std::vector<std::string> members;
    if (!change.container_name.empty())
        members.push_back(change.container_name);
    if (change.line)
        members.push_back(log.filename().string());
    if (index_written)
        members.emplace_back(recordstore::kIndexName);
    return members;
}

// Step 4: true when the data store (or its journal) took the change.
bool StoreChange(RecordChangePlaces& places, const RecordChange& change, const fs::path& log,
                 bool index_written, DataStoreSession& session) {
    if (!places.components_journaled) {
        const std::vector<std::string> members = MembersToStore(change, log, index_written);
        return members.empty() || places.access.Put(places.store_path.string(),
                                                    places.working_folder.string(), members);
    }
    // The container and the commit of the log line and index entry are one
    // step: after a crash the store has both or neither.
    if (!change.container_name.empty())
        return session.CommitChangesWithContainer(change.container_name) == kStoreOk;
    return session.CommitChanges() == kStoreOk;
}

// Steps 1 to 4 of record_update.h, with everything put back on failure.
RecordUpdateResult WriteRecordChange(RecordChangePlaces& places, const RecordChange& change,
                                     DataStoreSession& session) {
    if (auto refused = Refusal(change))
        return *refused;
    RecordUpdateResult result;
    const fs::path log = LogOf(places, change, &result);
    if (change.line && log.empty())
        return result;

    if (!change.container_name.empty()) {
        std::string detail;
        if (!ChangeContainer(places, change, &detail))
            return Failure(RecordUpdateStatus::kContainerFailed, detail);
    }
    RecordLine previous_line;
    if (change.line) {
        result = ReplaceLine(log, *change.line, &previous_line);
        if (!result.ok())
            return result;
    }
    result.status = RecordUpdateStatus::kUpdated;
    IndexEntryChange index(session.record_index());
    if (change.index_entry) {
        IndexRecord entry = *change.index_entry;
        if (change.line)
            entry.line_position = static_cast<std::int64_t>(result.line_offset_bytes);
        if (!index.Write(entry)) {
            result.status = RecordUpdateStatus::kIndexFailed;
            result.detail = "the index entry could not be written";
        }
    }

    if (!StoreChange(places, change, log, index.written(), session)) {
        index.PutBack();
        if (change.line)
            recordstore::RecordLog::Replace(log.string(), previous_line);
        return Failure(RecordUpdateStatus::kStoreFailed,
                       places.store_path.string() + ": the data store refused the record");
    }
    return result;
}

}  // namespace

RecordUpdater::RecordUpdater(DataStoreSession& session)
    : session_(session), store_generation_(session.store_generation()) {}

bool RecordUpdater::bound() const {
    return session_.has_open_store() && session_.store_generation() == store_generation_;
}

RecordUpdateResult RecordUpdater::Update(const RecordChange& change) const {
    if (!bound())
        return Failure(RecordUpdateStatus::kNotBound,
                       "the record belongs to a data store that is no longer open");
    // Under the store's writer lock, on working copies that hold every
    // other writer's changes.
    StoreOperation operation(session_);
    if (!operation.ok())
        return Failure(RecordUpdateStatus::kStoreFailed, operation.refusal());
    // With the session's component journal the container alone goes into
    // the store and the log and index changes into the journal, so the
    // store grows by the container only; without one (a working folder
    // filled by hand) all three are put in one call.
    RecordChangePlaces places{session_.store_path(), session_.working_folder(),
                              session_.store_access(), session_.journals_changes()};
    return WriteRecordChange(places, change, session_);
}

const char* RecordUpdateStatusText(RecordUpdateStatus status) {
    switch (status) {
        case RecordUpdateStatus::kUpdated:
            return "record updated";
        case RecordUpdateStatus::kNotBound:
            return "the data store is no longer the one the record was opened from";
        case RecordUpdateStatus::kInvalidChange:
            return "the change cannot be written";
        case RecordUpdateStatus::kContainerFailed:
            return "the recording container could not be changed";
        case RecordUpdateStatus::kRecordNotFound:
            return "record not in its record log";
        case RecordUpdateStatus::kLogUnusable:
            return "record log cannot be read or written";
        case RecordUpdateStatus::kStoreFailed:
            return "data store refused the record";
        case RecordUpdateStatus::kIndexFailed:
            return "record stored, index entry not written";
    }
    return "unknown";
}

}  // namespace kivo::core
