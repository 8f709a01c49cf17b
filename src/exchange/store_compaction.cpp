// Data store compaction in the steps the compaction dialog shows.
#include "kivo/exchange/store_compaction.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "kivo/core/data_store_session.h"
#include "kivo/core/record_line_text.h"
#include "kivo/core/safe_file_io.h"
#include "kivo/core/store_index.h"
#include "kivo/core/user_messages.h"

namespace kivo::exchange {
namespace {

using core::kRecordLineBytes;

constexpr std::size_t kFieldKind = 2;
constexpr std::size_t kFieldStartDate = 8;

constexpr const char* kReclaimErrorText = "Error removing wasted space from Data Store";
constexpr const char* kSpaceRemovedText = "Unwanted space has been removed from your data store";
constexpr const char* kSpaceNotRemovedText =
    "Unwanted space could not be removed from your data store";

struct ComponentStep {
    const char* log;
    const char* label;
    const char* error;
};

constexpr ComponentStep kComponentSteps[] = {
    {core::kRecordLogMember, "Compressing your Message folder", "Error compressing Message folder"},
    {core::kMeetingLogMember, "Compressing your Meeting folder",
     "Error compressing Meetings folder"},
    {core::kPhoneLogMember, "Compressing your Phone folder", "Error compressing Phone folder"},
    {core::kDiaryLogMember, "Compressing your Diary folder", "Error compressing Diary folder"},
};

}  // namespace

ComponentCompaction CompactRecordLog(const std::filesystem::path& log_path,
                                     core::RecordIndex& index) {
    ComponentCompaction result;
    int in = ::open(log_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        result.result = kCompactUnreadable;
        return result;
    }
    std::filesystem::path temp;
    int out = core::CreateTemporaryBeside(log_path, temp);
    if (out < 0) {
        ::close(in);
        result.result = kCompactNoTempFile;
        return result;
    }
    std::string buffer(kRecordLineBytes * 1024, '\0');
    std::string kept;
    kept.reserve(buffer.size());
    std::uint64_t position = 0;
    bool ok = true;
    for (;;) {
        std::size_t filled = 0;
        if (!core::ReadFully(in, buffer.data(), buffer.size(), filled)) {
            ok = false;
            result.result = kCompactUnreadable;
            break;
        }
        kept.clear();
        const std::size_t whole = filled / kRecordLineBytes * kRecordLineBytes;
        for (std::size_t at = 0; at < whole; at += kRecordLineBytes) {
            std::string_view line(buffer.data() + at, kRecordLineBytes);
            auto number = core::LeadingRecordNumber(line);
            if (number && *number >= core::kErasedRecordNumber) {
                ++result.lines_dropped;
                continue;
            }
            kept.append(line);
            ++result.lines_kept;
            if (number && *number >= 1) {
                auto fields = core::SplitRecordFields(line.substr(0, core::kRecordTextBytes));
                core::IndexMove move;
                move.record_number = static_cast<std::int32_t>(*number);
                move.kind_code = std::string(core::RecordField(fields, kFieldKind));
                move.start_date = std::string(core::RecordField(fields, kFieldStartDate));
                move.keywords = index.Keywords(move.record_number);
                move.position = position;
                if (!index.Move(move))
                    ++result.index_updates_failed;
            }
            position += kRecordLineBytes;
        }
        // A partial line at the end is kept as it is.
        kept.append(buffer.data() + whole, filled - whole);
        if (!core::WriteAll(out, kept.data(), kept.size())) {
            ok = false;
            result.result = kCompactNoTempFile;
            break;
        }
        if (filled < buffer.size())
            break;
    }
    ::close(in);
    if (!ok) {
        ::close(out);
        ::unlink(temp.c_str());
        return result;
    }
    if (!core::PublishTemporary(out, temp, log_path))
        result.result = kCompactNoTempFile;
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
