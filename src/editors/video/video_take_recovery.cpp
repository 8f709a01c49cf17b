// Saving left-over video captures (see video_take_recovery.h).
#include "kivo/video/video_take_recovery.h"

#include <system_error>

#include "kivo/encoding/video_conversion.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/video/video_record.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

constexpr int kMessageMissingFile = 108;
// A capture never runs longer than a day.
constexpr std::int64_t kMaxRecoveredMs = 24LL * 3600 * 1000;

void RemoveRecordFiles(const recorder::RecordFiles& files) {
    files.RemoveAll();
    std::error_code ignored;
    fs::remove(files.Path(recordstore::kVideoMediaExtension), ignored);
    fs::remove(files.Path(recordstore::kVideoContainerExtension), ignored);
}

}  // namespace

std::string VideoRecoveryQuestion(const LeftoverVideoTake& take) {
    const std::string& given = take.info.details.subject;
    const std::string subject = given.empty() ? std::string() : " \"" + given + "\"";
    const std::string started = take.info.start_log_date.empty()
                                    ? std::string()
                                    : " (started " + take.info.start_log_date + ")";
    return "A video recording" + subject + started +
           " was interrupted before it was saved. Do you want to save what was captured as a new "
           "video record? No deletes it.";
}

int RecoverVideoTake(const LeftoverVideoTake& take, const recorder::RecorderTarget& target) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target.working_folder);
    encoding::VideoConversionSettings settings;
    settings.max_duration_ms = kMaxRecoveredMs;
    // A capture cut off by the crash converts as far as it goes (kStopped).
    const encoding::VideoConversionResult converted = encoding::ConvertToRecordVideo(
        take.capture_path.string(), files.Path(recordstore::kVideoMediaExtension).string(),
        settings);
    if (!converted.kept_target() || converted.video_frames == 0) {
        RemoveRecordFiles(files);
        return kMessageMissingFile;
    }
    recorder::RecorderMarks marks;
    for (const recorder::RecorderMark& mark : take.info.details.marks)
        marks.Add(mark.time_ms, mark.comment);
    const recorder::NewRecord record = MakeVideoRecord(
        {take.info.details.subject, take.info.details.keywords, take.info.start_log_date,
         take.info.details.end_log_date, converted.duration_ms, marks.ToIndexMarks()},
        files);
    recorder::NewRecordSave save(target, files);
    const int saved = save.Save(record);
    RemoveRecordFiles(files);
    if (save.stored())
        DiscardVideoTake(take);
    return saved;
}

int OfferLeftoverVideoTakes(const fs::path& takes_folder, const recorder::RecorderTarget& target,
                            core::MessageReporter& reporter) {
    int saved = 0;
    for (const LeftoverVideoTake& take : FindLeftoverVideoTakes(takes_folder)) {
        if (reporter.ReportText(VideoRecoveryQuestion(take), core::kStyleQuestion) !=
            core::kAnswerYes) {
            DiscardVideoTake(take);
            continue;
        }
        const int result = RecoverVideoTake(take, target);
        if (result == 0) {
            ++saved;
        } else if (fs::exists(take.info_path)) {
            reporter.ReportText(kVideoTakeNotRecoveredText, core::kStyleExclamation);
        } else {
            ++saved;  // stored, the index entry aside
            reporter.ReportMessage(result, core::kStyleExclamation);
        }
    }
    return saved;
}

}  // namespace kivo::video
