// Erasing records from their record logs; see record_deletion.h.
#include "kivo/core/record_deletion.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/pending_deletions.h"
#include "kivo/core/recording_name.h"
#include "kivo/core/store_index.h"
#include "kivo/core/store_operation.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"

namespace kivo::core {
namespace {

using core::ViewKind;
using recordstore::RecordLine;
namespace field = recordstore::record_field;

std::string_view LogOf(ViewKind view) {
    switch (view) {
        case ViewKind::kDictation:
        case ViewKind::kTranslation:
        case ViewKind::kVideo:
            return recordstore::kMessageLogName;
        case ViewKind::kMeeting:
            return recordstore::kMeetingLogName;
        case ViewKind::kPhone:
            return recordstore::kPhoneLogName;
        case ViewKind::kDiary:
            return recordstore::kDiaryLogName;
        default:
            return {};
    }
}

struct ErasedRecord {
    std::int32_t number;
    std::string kind_code;
    std::string container;
    std::uint64_t offset_bytes;  // of its line in its log
    std::string bytes;           // the line as it was
};

// Whether a line of the log is one of the records to erase.
bool IsToErase(std::string_view bytes, const std::set<std::int32_t>& numbers) {
    const std::int32_t number = RecordLine::NumberOf(bytes);
    return number >= 1 && number < recordstore::kErasedRecordNumber && numbers.count(number) != 0;
}

ErasedRecord ErasedFrom(const recordstore::RecordLogLine& line) {
    return {RecordLine::NumberOf(line.bytes),
            std::string(RecordLine::StoredFieldOf(line.bytes, field::kKindCode)),
            std::string(RecordLine::StoredFieldOf(line.bytes, field::kContainerName)),
            line.offset_bytes, std::string(line.bytes)};
}

// The records of one log that are to be erased, read without changing it,
// and in the same reading which of the recordings in `looked_for` (sorted)
// the log's other live lines name: those stay named once the erased lines
// are written, so the delete that follows need not read the log again.
// False when the log could not be read.
bool FindInLog(const std::filesystem::path& log, const std::set<std::int32_t>& numbers,
               const std::vector<std::string>& looked_for, std::vector<ErasedRecord>& erased,
               std::set<std::string>& named) {
    return recordstore::RecordLog::ForEachLine(
               log.string(),
               [&](const recordstore::RecordLogLine& line) {
                   if (IsToErase(line.bytes, numbers)) {
                       erased.push_back(ErasedFrom(line));
                       return true;
                   }
                   const std::int32_t number = RecordLine::NumberOf(line.bytes);
                   if (number < 1 || number >= recordstore::kErasedRecordNumber)
                       return true;
                   const std::string_view container =
                       RecordLine::StoredFieldOf(line.bytes, field::kContainerName);
                   if (std::binary_search(looked_for.begin(), looked_for.end(), container))
                       named.emplace(container);
                   return true;
               })
        .ok();
}

// The recordings whose names a delete looks for while it reads its logs:
// those noted by a delete before (still to finish) and those the selection
// names. Sorted, each once.
std::vector<std::string> RecordingsToLookFor(const std::filesystem::path& store,
                                             std::span<const SelectedRecord> selection) {
    std::vector<std::string> names = PendingDeletions(store);
    for (const SelectedRecord& record : selection) {
        if (IsRecordingName(record.recording_file))
            names.push_back(record.recording_file);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

bool WriteLineAt(int fd, std::string_view line, std::uint64_t offset) {
    return ::pwrite(fd, line.data(), line.size(), static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(line.size());
}

// Erases the given lines of the working log in place. Only the working copy
// changes (the commit that follows makes it durable), so nothing is synced.
// When a write fails, the lines already erased are written back and false
// is returned.
bool EraseInLog(const std::filesystem::path& log, const std::vector<ErasedRecord>& lines) {
    const int fd = ::open(log.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string erased_line = ErasedRecordLine();
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < lines.size()) {
        ok = WriteLineAt(fd, erased_line, lines[written].offset_bytes);
        if (ok)
            ++written;
    }
    if (!ok) {
        for (std::size_t i = 0; i < written; ++i)
            (void)WriteLineAt(fd, lines[i].bytes, lines[i].offset_bytes);
    }
    return ::close(fd) == 0 && ok;
}

// Erased records whose line names something other than a recording. An
// empty name is no refusal: such a record has no recording to delete.
std::vector<RefusedRecording> RefusedNames(const std::vector<ErasedRecord>& erased) {
    std::vector<RefusedRecording> refused;
    for (const auto& record : erased) {
        if (!record.container.empty() && !IsRecordingName(record.container))
            refused.push_back({record.number, record.container});
    }
    return refused;
}

std::vector<std::string> RecordingsOf(const std::vector<ErasedRecord>& erased) {
    std::vector<std::string> containers;
    for (const auto& record : erased) {
        if (!record.container.empty() &&
            std::find(containers.begin(), containers.end(), record.container) == containers.end()) {
            containers.push_back(record.container);
        }
    }
    return containers;
}

}  // namespace

std::string ErasedRecordLine() {
    std::string line = "99999999 ";
    line.resize(recordstore::kRecordLineTextBytes, '#');
    line += '\n';
    return line;
}

std::string DeleteQuestion(std::span<const SelectedRecord> selection,
                           const std::string& current_id) {
    if (selection.size() == 1)
        return kDeleteOneQuestion + current_id;
    return kDeleteManyQuestion;
}

int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  RecordIndex& index) {
    DeletionOptions options;
    options.index = &index;
    return DeleteRecords(session, selection, options);
}

int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  const DeletionOptions& options) {
    // Under the store's writer lock from the first read of a log to the
    // last mark in the store, on working copies that are the store's own.
    StoreOperation operation(session);
    if (!operation.ok())
        return kDeleteFailed;
    std::unique_ptr<RecordIndex> own_index;
    RecordIndex* index = options.index;
    if (index == nullptr) {
        own_index = SessionRecordIndex(session);
        index = own_index.get();
    }
    const auto reached = [&options](DeletionStep step) {
        if (options.after_step)
            options.after_step(step);
    };

    // Records up to the first one without a record log are handled.
    std::size_t usable = 0;
    while (usable < selection.size() && !LogOf(selection[usable].view).empty())
        ++usable;
    const bool stopped = usable < selection.size();

    // One rewrite per log, in the order the logs first appear.
    std::vector<std::pair<std::string_view, std::set<std::int32_t>>> logs;
    for (std::size_t i = 0; i < usable; ++i) {
        const std::string_view log = LogOf(selection[i].view);
        auto it =
            std::find_if(logs.begin(), logs.end(), [&](const auto& l) { return l.first == log; });
        if (it == logs.end())
            it = logs.insert(logs.end(), {log, {}});
        it->second.insert(selection[i].record_number);
    }

    // Every record to erase is found, and its recording name checked, before
    // any log changes: a refused name changes nothing.
    // The same reading tells, for the recordings to be deleted, whether
    // another live line of these logs names them (FinishPendingDeletions
    // below then reads only the other logs).
    NamedRecordingsRead read;
    read.looked_for = RecordingsToLookFor(session.store_path(), selection.first(usable));
    std::set<std::string> named;
    std::vector<ErasedRecord> erased;
    std::vector<std::vector<ErasedRecord>> erased_by_log;
    for (const auto& [log, numbers] : logs) {
        std::vector<ErasedRecord>& found = erased_by_log.emplace_back();
        if (!FindInLog(session.WorkingPath(log), numbers, read.looked_for, found, named))
            return kDeleteFailed;
        erased.insert(erased.end(), found.begin(), found.end());
        read.logs.emplace_back(log);
    }
    read.named.assign(named.begin(), named.end());
    if (auto refused = RefusedNames(erased); !refused.empty()) {
        if (options.refused != nullptr)
            *options.refused = std::move(refused);
        return kDeleteFailed;
    }

    // Noted before any log changes: whenever the erased lines reach the
    // store, the next writer finds the recordings to finish.
    const std::vector<std::string> containers = RecordingsOf(erased);
    if (!containers.empty() && !NotePendingDeletions(session.store_path(), containers))
        return kDeleteFailed;
    reached(DeletionStep::kRecordingsNoted);
    for (std::size_t i = 0; i < logs.size(); ++i) {
        if (!EraseInLog(session.WorkingPath(logs[i].first), erased_by_log[i]))
            return kDeleteFailed;
    }
    for (const auto& record : erased)
        index->Remove(record.number, record.kind_code);
    reached(DeletionStep::kLogsErased);
    if (stopped)
        return kDeleteFailed;

    // The erased lines and index entries are made durable first: should
    // that fail, no recording is removed while the store still names it.
    if (session.CommitChanges() != core::kStoreOk)
        return kDeleteFailed;
    reached(DeletionStep::kStoreSaved);
    if (!FinishPendingDeletions(session, read))
        return kDeleteFailed;
    reached(DeletionStep::kFinished);
    return kDeleteOk;
}

}  // namespace kivo::core
