// Data store compaction in the steps the compaction dialog shows.
#include "kivo/exchange/store_compaction.h"

#include "kivo/core/data_store_session.h"
#include "kivo/core/store_index.h"
#include "kivo/core/store_operation.h"
#include "kivo/core/user_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/repository/engine.h"

namespace kivo::exchange {
namespace {

using recordstore::RecordLine;
using recordstore::RecordLogLineEdit;
namespace field = recordstore::record_field;

constexpr const char* kReclaimErrorText = "Error removing wasted space from Data Store";
constexpr const char* kSpaceRemovedText = "Unwanted space has been removed from your data store";
constexpr const char* kSpaceNotRemovedText =
    "Unwanted space could not be removed from your data store";

struct ComponentStep {
    std::string_view log;
    const char* label;
    const char* error;
};

constexpr ComponentStep kComponentSteps[] = {
    {recordstore::kMessageLogName, "Compressing your Message folder",
     "Error compressing Message folder"},
    {recordstore::kMeetingLogName, "Compressing your Meeting folder",
     "Error compressing Meetings folder"},
    {recordstore::kPhoneLogName, "Compressing your Phone folder", "Error compressing Phone folder"},
    {recordstore::kDiaryLogName, "Compressing your Diary folder", "Error compressing Diary folder"},
};

// A kept record's index entry, pointed at the line's new place.
core::IndexMove MoveOf(const recordstore::RecordLogLine& line, std::int32_t number,
                       core::RecordIndex& index) {
    core::IndexMove move;
    move.record_number = number;
    move.kind_code = std::string(RecordLine::StoredFieldOf(line.bytes, field::kKindCode));
    move.start_date = std::string(RecordLine::StoredFieldOf(line.bytes, field::kStartDate));
    move.keywords = index.Keywords(number);
    move.position = line.new_offset_bytes;
    return move;
}

}  // namespace

ComponentCompaction CompactRecordLog(const std::filesystem::path& log_path,
                                     core::RecordIndex& index) {
    ComponentCompaction result;
    // Index entries move only once the new log is in place.
    std::vector<core::IndexMove> moves;
    const recordstore::Status rewritten = recordstore::RecordLog::Rewrite(
        log_path.string(), [&](const recordstore::RecordLogLine& line) {
            const std::int32_t number = RecordLine::NumberOf(line.bytes);
            if (number >= recordstore::kErasedRecordNumber) {
                ++result.lines_dropped;
                return RecordLogLineEdit::Drop();
            }
            ++result.lines_kept;
            if (number >= 1)
                moves.push_back(MoveOf(line, number, index));
            return RecordLogLineEdit::Keep();
        });
    if (!rewritten.ok()) {
        result.result = rewritten.code() == recordstore::Status::Code::kNotFound
                            ? kCompactUnreadable
                            : kCompactNoTempFile;
        return result;
    }
    for (const core::IndexMove& move : moves) {
        if (!index.Move(move))
            ++result.index_updates_failed;
    }
    return result;
}

StoreCompaction::StoreCompaction(core::DataStoreSession& session)
    : session_(session), owned_index_(core::OpenStoreRecordIndex(session)), index_(*owned_index_) {}

StoreCompaction::StoreCompaction(core::DataStoreSession& session, core::RecordIndex& index)
    : session_(session), index_(index) {}

StoreCompaction::~StoreCompaction() = default;

int StoreCompaction::NextStep(int step) {
    if (step < kStepRepository)
        return step + 1;
    if (step == kStepRepository)
        return kStepSave;
    return kStepFinished;
}

CompactionStepReport StoreCompaction::CompactComponentStep(int step) {
    const ComponentStep& what = kComponentSteps[step - kStepMessages];
    CompactionStepReport report;
    report.step = step;
    report.components_label = what.label;
    report.components_state = kLabelGreen;
    ComponentCompaction result = CompactRecordLog(session_.WorkingPath(what.log), index_);
    results_.push_back(result);
    if (result.result != kCompactOk) {
        report.error_row = what.error;
        errors_.push_back(what.error);
    }
    return report;
}

void StoreCompaction::ReclaimAndSave(CompactionStepReport& report) {
    const std::string store = session_.store_path().string();
    // Reclaiming and saving under the store's writer lock; a store another
    // program changed meanwhile is not overwritten with these logs.
    core::StoreOperation operation(session_);
    if (!operation.ok()) {
        reclaim_failed_ = true;
        report.error_row = kReclaimErrorText;
        errors_.push_back(report.error_row);
        return;
    }
    core::StoreAccess access = session_.store_access();
    const auto reclaim = [&] {
        if (access.Compress(store))
            return true;
        reclaim_failed_ = true;
        report.error_row = kReclaimErrorText;
        errors_.push_back(report.error_row);
        return false;
    };
    // Space is reclaimed before anything is added: a disk too full to
    // compact on leaves the store as it was, never larger.
    if (!reclaim())
        return;
    save_result_ = session_.SaveDataStore();
    saved_ = save_result_ != core::kStoreRepositoryFailed;
    // The rewritten logs replaced older versions; their space goes too.
    if (saved_)
        reclaim();
}

CompactionStepReport StoreCompaction::RunStep(int step) {
    CompactionStepReport report;
    report.step = step;
    switch (step) {
        case kStepStart:
            report.components_label = kComponentsLabelStart;
            report.store_label = kStoreLabelStart;
            return report;
        case kStepMessages:
        case kStepMeetings:
        case kStepPhone:
        case kStepDiary:
            return CompactComponentStep(step);
        case kStepRepository: {
            if (errors_.empty()) {
                report.components_label = "Components have now been compressed";
                report.components_state = kLabelBlue;
            } else {
                report.components_label =
                    "1 or more components failed to be compressed - Check Error Log";
                report.components_state = kLabelRed;
            }
            report.store_label = "Removing unwanted space from your data store";
            report.store_state = kLabelGreen;
            ReclaimAndSave(report);
            return report;
        }
        case kStepSave:
            if (!saved_ && !reclaim_failed_)
                save_result_ = session_.SaveDataStore();
            if (save_result_ == core::kStoreRepositoryFailed) {
                report.error_row = core::MessageText(core::kStoreSaveFailed);
                errors_.push_back(report.error_row);
            }
            if (reclaim_failed_ || save_result_ == core::kStoreRepositoryFailed) {
                report.store_label = kSpaceNotRemovedText;
                report.store_state = kLabelRed;
            } else {
                report.store_label = kSpaceRemovedText;
                report.store_state = kLabelBlue;
            }
            return report;
        default:
            return report;
    }
}

void StoreCompaction::RunAll(const StepObserver& observer) {
    for (int step = kStepStart;; step = NextStep(step)) {
        CompactionStepReport report = RunStep(step);
        if (observer)
            observer(report);
        if (step == kStepFinished)
            return;
    }
}

}  // namespace kivo::exchange
