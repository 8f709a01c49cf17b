// Erasing records from their record logs; see record_deletion.h.
#include "kivo/core/record_deletion.h"

#include <algorithm>
#include <set>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/store_index.h"
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
};

// Rewrites one log with the lines of the given numbers erased; collects what
// was erased. False when the log could not be read or replaced.
bool EraseInLog(const std::filesystem::path& log, const std::set<std::int32_t>& numbers,
                std::vector<ErasedRecord>& erased) {
    const std::string erased_line = ErasedRecordLine();
    std::vector<ErasedRecord> found;
    const recordstore::Status rewritten =
        recordstore::RecordLog::Rewrite(log.string(), [&](const recordstore::RecordLogLine& line) {
            const std::int32_t number = RecordLine::NumberOf(line.bytes);
            if (number < 1 || number >= recordstore::kErasedRecordNumber ||
                numbers.count(number) == 0)
                return recordstore::RecordLogLineEdit::Keep();
            found.push_back(
                {number, std::string(RecordLine::StoredFieldOf(line.bytes, field::kKindCode)),
                 std::string(RecordLine::StoredFieldOf(line.bytes, field::kContainerName))});
            return recordstore::RecordLogLineEdit::ReplaceWith(erased_line);
        });
    if (!rewritten.ok())
        return false;
    erased.insert(erased.end(), found.begin(), found.end());
    return true;
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

int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection) {
    auto index = OpenStoreRecordIndex(session);
    return DeleteRecords(session, selection, *index);
}

int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  RecordIndex& index) {
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

    std::vector<ErasedRecord> erased;
    for (const auto& [log, numbers] : logs) {
        if (!EraseInLog(session.WorkingPath(log), numbers, erased))
            return kDeleteFailed;
    }
    for (const auto& record : erased)
        index.Remove(record.number, record.kind_code);
    if (stopped)
        return kDeleteFailed;

    // The logs go into the store first: should that fail, no recording is
    // removed while the stored logs still name it.
    if (int saved = session.SaveDataStore(); saved == core::kStoreRepositoryFailed) {
        return kDeleteFailed;
    }
    std::vector<std::string> containers;
    for (const auto& record : erased) {
        if (!record.container.empty() &&
            std::find(containers.begin(), containers.end(), record.container) == containers.end()) {
            containers.push_back(record.container);
        }
    }
    if (!containers.empty())
        core::StoreDelete(session.store_path().string(), containers);
    return kDeleteOk;
}

}  // namespace kivo::core
