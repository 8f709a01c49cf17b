// The span recorders' transport, marks and saving (see span_recording.h).
#include "kivo/recorder/span_recording.h"

#include <QDebug>
#include <QLoggingCategory>

#include "kivo/core/user_messages.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/recordstore/clock.h"

Q_LOGGING_CATEGORY(lcSpanRecording, "kivo.recorder.spans")

namespace kivo::recorder {
namespace {

constexpr const char* kTakeKeptText =
    "The recording has been kept: Kivo offers to recover it the next time it starts.";

}  // namespace

SpanRecording::SpanRecording(sound::AudioBackend& backend, RecorderTarget target,
                             core::MessageReporter& reporter, RecorderKind kind, QObject* parent)
    : QObject(parent),
      document_(backend),
      target_(std::move(target)),
      reporter_(reporter),
      files_(RecordFiles::ForNewRecord(target_.working_folder)),
      keeper_(document_, target_.takes_folder, kind) {
    keeper_.set_base_name(files_.base_name());
    connect(&document_, &audio::WaveDocument::inputLevelsMeasured, this,
            &SpanRecording::inputLevelsMeasured);
}

SpanRecording::~SpanRecording() {
    if (document_.is_recording())
        document_.Stop();
    if (keeper_.active() && has_unsaved_recording())
        keeper_.Keep();
    document_.Close();
    DeleteTemporaryFiles();
}

int SpanRecording::Open() {
    if (document_.Open(QString()) != audio::kWaveOk ||
        document_.SetFormatFromQuality(target_.recording_quality) != audio::kWaveOk) {
        reporter_.ReportMessage(kMessageNoRecordingDevice, core::kStyleExclamation);
        return kMessageNoRecordingDevice;
    }
    EnterState(SpanState::kOpened);
    return 0;
}

int SpanRecording::OpenRecovered(const RecoveredTake& take) {
    const std::filesystem::path wave = files_.wave_path();
    std::error_code error;
    if (!std::filesystem::copy_file(take.wave, wave,
                                    std::filesystem::copy_options::overwrite_existing, error) ||
        document_.Open(QString::fromStdString(wave.string())) != audio::kWaveOk) {
        qCDebug(lcSpanRecording) << "Cannot open" << take.wave.c_str()
                                 << document_.last_error_detail();
        files_.RemoveAll();
        reporter_.ReportMessage(kMessageCannotOpenRecording, core::kStyleExclamation);
        return kMessageCannotOpenRecording;
    }
    const RecoveredDetails details = DetailsForRecorder(take);
    start_log_date_ = details.start_log_date;
    end_log_date_ = details.end_log_date;
    subject_ = details.subject;
    keywords_ = details.keywords;
    picture_path_ = take.picture;
    for (const RecorderMark& mark : details.MarksWithin(document_.length_ms()))
        marks_.Add(mark.time_ms, mark.comment, mark.type);
    recorded_ = true;
    saved_ = false;
    keeper_.set_start(start_log_date_);
    UpdateJournalDetails();
    keeper_.Start(true);
    EnterState(SpanState::kStopped);
    emit marksChanged();
    return 0;
}

SpanButtons SpanRecording::Buttons() const {
    SpanButtons buttons;
    switch (state_) {
        case SpanState::kOpened:
            buttons.pickup = buttons.cancel = true;
            break;
        case SpanState::kRecording:
        case SpanState::kPaused:
            buttons.pause = buttons.stop = buttons.mark = true;
            break;
        case SpanState::kStopped:
            buttons.pickup = buttons.ok = buttons.cancel = true;
            break;
    }
    return buttons;
}

int SpanRecording::Pickup() {
    if (running())
        return 0;
    if (start_log_date_.empty()) {
        start_log_date_ = NowLogDate();
        keeper_.set_start(start_log_date_);
    }
    end_log_date_.clear();
    if (const int started = StartSpan(); started != 0)
        return started;
    EnterState(SpanState::kRecording);
    return 0;
}

int SpanRecording::StartSpan() {
    UpdateJournalDetails();
    keeper_.Start(false);
    document_.SeekToEnd();
    if (document_.Record(audio::WaveDocument::RecordMode::kInsert) != audio::kWaveOk) {
        const QString detail = document_.last_error_detail();
        qCDebug(lcSpanRecording) << "Record failed:" << detail;
        reporter_.ReportText(
            detail.isEmpty() ? "The recording could not be started" : detail.toStdString(),
            core::kStyleInformation);
        return kMessageNoRecordingDevice;
    }
    recorded_ = true;
    saved_ = false;
    keeper_.RecordingStarted();
    return 0;
}

void SpanRecording::Pause() {
    if (state_ == SpanState::kRecording) {
        document_.Stop();
        keeper_.RecordingStopped();
        EnterState(SpanState::kPaused);
    } else if (state_ == SpanState::kPaused && StartSpan() == 0) {
        EnterState(SpanState::kRecording);
    }
}

void SpanRecording::Stop() {
    if (!running())
        return;
    document_.Stop();
    end_log_date_ = NowLogDate();
    UpdateJournalDetails();
    keeper_.RecordingStopped();
    EnterState(SpanState::kStopped);
}

bool SpanRecording::AddMark(std::string_view comment) {
    if (!running() || !marks_.Add(duration_ms(), comment))
        return false;
    UpdateJournalDetails();
    emit marksChanged();
    return true;
}

bool SpanRecording::EditMarkComment(std::size_t row, std::string_view comment) {
    if (!marks_.EditComment(row, comment))
        return false;
    UpdateJournalDetails();
    emit marksChanged();
    return true;
}

void SpanRecording::set_subject(std::string subject) {
    subject_ = std::move(subject);
    UpdateJournalDetails();
}

void SpanRecording::set_keywords(std::string keywords) {
    keywords_ = std::move(keywords);
    UpdateJournalDetails();
}

void SpanRecording::set_picture_path(std::filesystem::path path) {
    picture_path_ = std::move(path);
    UpdateJournalDetails();
}

void SpanRecording::UpdateJournalDetails() {
    TakeDetails details;
    details.end_log_date = end_log_date_;
    details.subject = subject_;
    details.keywords = keywords_;
    details.marks = marks_.marks();
    keeper_.UpdateDetails(details, picture_path_);
}

void SpanRecording::EnterState(SpanState state) {
    state_ = state;
    emit stateChanged();
}

int SpanRecording::Save(NewRecord record) {
    if (saved_)
        return 0;
    if (!recorded_)
        return kMessageMissingFile;
    Stop();
    int result = 0;
    if (document_.Save(QString::fromStdString(files_.wave_path().string())) != audio::kWaveOk) {
        result = kMessageMissingFile;
    } else {
        record.fields.container_name = files_.container_name();
        record.fields.recording_quality = std::to_string(target_.recording_quality);
        std::tie(record.fields.start_date, record.fields.start_time) =
            SplitLogDate(start_log_date_);
        std::tie(record.fields.end_date, record.fields.end_time) =
            SplitLogDate(end_log_date_.empty() ? NowLogDate() : end_log_date_);
        record.fields.duration = recordstore::DurationText(document_.length_ms());
        record.marks = marks_.ToIndexMarks();
        record.picture = picture_path_;
        record.keywords = keywords_;
        NewRecordSave save(target_, files_);
        result = save.Save(record);
        if (save.stored()) {
            record_number_ = save.record_number();
            saved_ = true;
        }
    }
    const bool kept = !saved_ && keeper_.Keep();
    if (!saved_ && !kept) {
        // The open recording is its only copy now (a full disk refuses the
        // store and the take alike): it is not closed, so OK can try again.
        reporter_.ReportMessage(result, core::kStyleExclamation);
        reporter_.ReportText(kRecordingStaysText, core::kStyleExclamation);
        return result;
    }
    document_.Close();
    DeleteTemporaryFiles();
    if (result != 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    if (kept)
        reporter_.ReportText(kTakeKeptText, core::kStyleInformation);
    return result;
}

CloseOutcome SpanRecording::Close(std::function<int()> save) {
    Stop();
    return CloseRecorder(reporter_, {has_unsaved_recording(), saved_, std::move(save), [this] {
                                         document_.Close();
                                         DeleteTemporaryFiles();
                                     }});
}

bool SpanRecording::CloseKeepingTake() {
    Stop();
    const bool kept = !has_unsaved_recording() || keeper_.Keep();
    if (!kept)
        qCWarning(lcSpanRecording) << "The unsaved recording could not be kept";
    document_.Close();
    DeleteTemporaryFiles();
    return kept;
}

void SpanRecording::DeleteTemporaryFiles() {
    files_.RemoveAll();
    keeper_.Remove();
}

}  // namespace kivo::recorder
