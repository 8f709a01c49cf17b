// The dictation recorder's logic: opening, transport, marks and cut; saving
// is DictationSave's, reading a stored dictation StoredDictation's.
#include "kivo/dictation/dictation_session.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>
#include <system_error>

#include "kivo/core/user_messages.h"
#include "kivo/dictation/dictation_save.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/text_encoding.h"

Q_LOGGING_CATEGORY(lcDictation, "kivo.dictation")

namespace kivo::dictation {
namespace {

namespace fs = std::filesystem;
using recorder::kMessageCannotOpenRecording;
using recorder::kMessageCannotSave;
using recorder::kMessageMissingFile;
using recorder::kMessageNoRecordingDevice;
using recorder::NowLogDate;

constexpr const char* kTakeKeptText =
    "The recording has been kept: Kivo offers to recover it the next time it starts.";

}  // namespace

DictationSession::DictationSession(sound::AudioBackend& backend, DictationTarget target,
                                   core::MessageReporter& reporter, QObject* parent)
    : QObject(parent),
      document_(backend),
      target_(std::move(target)),
      reporter_(reporter),
      files_(recorder::RecordFiles::ForNewRecord(target_.working_folder)),
      keeper_(document_, target_.takes_folder, recorder::RecorderKind::kDictation) {
    keeper_.set_base_name(files_.base_name());
    connect(&document_, &audio::WaveDocument::playbackFinished, this,
            &DictationSession::OnPlaybackFinished);
    connect(&document_, &audio::WaveDocument::inputLevelsMeasured, this,
            &DictationSession::inputLevelsMeasured);
}

DictationSession::~DictationSession() {
    if (document_.is_recording() || document_.is_playing())
        document_.Stop();
    // Nobody decided what becomes of the audio (the recorder was never
    // closed): it stays for the next start to offer.
    if (keeper_.active() && HasUnsavedAudio())
        keeper_.Keep();
    document_.Close();
    DeleteTemporaryFiles();
}

int DictationSession::Fail(int code) {
    reporter_.ReportMessage(code, core::kStyleExclamation);
    return code;
}

int DictationSession::Open() {
    mode_ = DictationMode::kNewRecording;
    if (document_.Open(QString()) != audio::kWaveOk)
        return Fail(kMessageNoRecordingDevice);
    if (document_.SetFormatFromQuality(target_.recording_quality) != audio::kWaveOk) {
        reporter_.ReportText("Unable to set format for recording", core::kStyleExclamation);
        return kMessageNoRecordingDevice;
    }
    EnterState(TransportState::kEmpty);
    return 0;
}

int DictationSession::OpenFromWave(const fs::path& wave) {
    const std::string now = NowLogDate();
    return OpenReview(wave, now, now);
}

int DictationSession::OpenRecovered(const recorder::RecoveredTake& take) {
    const recorder::RecoveredDetails details = recorder::DetailsForRecorder(take);
    subject_ = details.subject;
    keywords_ = details.keywords;
    picture_path_ = take.picture;
    if (const int opened = OpenReview(take.wave, details.start_log_date, details.end_log_date);
        opened != 0)
        return opened;
    for (const RecorderMark& mark : details.MarksWithin(document_.length_ms()))
        marks_.Add(mark.time_ms, mark.comment, mark.type);
    MarksChanged();
    return 0;
}

int DictationSession::OpenReview(const fs::path& wave, std::string start_log_date,
                                 std::string end_log_date) {
    mode_ = DictationMode::kNewFromWave;
    const fs::path temporary_wave = files_.wave_path();
    std::error_code error;
    if (!fs::copy_file(wave, temporary_wave, fs::copy_options::overwrite_existing, error) ||
        document_.Open(QString::fromStdString(temporary_wave.string())) != audio::kWaveOk) {
        qCDebug(lcDictation) << "Cannot open" << wave.c_str() << document_.last_error_detail();
        DeleteTemporaryFiles();
        return Fail(kMessageCannotOpenRecording);
    }
    start_log_date_ = std::move(start_log_date);
    end_log_date_ = std::move(end_log_date);
    // The review starts with an empty index-mark file, as a recording does.
    if (!recordstore::WriteIndexMarkFile(files_.marks_path().string(), {}).ok())
        qCDebug(lcDictation) << "Cannot create the index-mark file";
    cut_from_ms_ = 0;
    cut_to_ms_ = document_.length_ms();
    cut_to_set_ = true;
    record_insert_ = true;
    recorded_ = true;  // the wave is not in the store yet
    // The wave is the recording now: a crash from here on leaves it behind.
    keeper_.set_start(start_log_date_);
    UpdateJournalDetails();
    keeper_.Start(true);
    EnterState(TransportState::kReview);
    return 0;
}

int DictationSession::OpenStored(const std::string& container_name, core::DataStoreSession& store) {
    mode_ = DictationMode::kEdit;
    updater_.emplace(store);
    auto stored_files =
        recorder::RecordFiles::ForStoredRecord(target_.working_folder, container_name);
    if (!stored_files)
        return Fail(static_cast<int>(recordstore::ContainerResult::kFailed));
    files_ = *stored_files;
    keeper_.set_base_name(files_.base_name());
    if (const int opened = stored_.Open(target_, files_); opened != 0) {
        DeleteTemporaryFiles();
        return Fail(opened);
    }
    const recordstore::RecordFields& fields = stored_.fields();
    record_number_ = fields.record_number;
    subject_ = fields.subject;
    keywords_ = stored_.keywords();
    picture_path_ = stored_.picture_path();
    start_log_date_ = fields.start_date + " " + fields.start_time;
    end_log_date_ = fields.end_date + " " + fields.end_time;
    if (document_.Open(QString::fromStdString(files_.wave_path().string())) != audio::kWaveOk) {
        qCDebug(lcDictation) << "Cannot open the stored recording" << document_.last_error_detail();
        DeleteTemporaryFiles();
        return Fail(kMessageNoRecordingDevice);
    }
    qCDebug(lcDictation) << "Seek to start called";
    document_.SeekToStart();
    cut_from_ms_ = 0;
    cut_to_ms_ = document_.length_ms();
    cut_to_set_ = true;
    for (const recordstore::IndexMark& mark : stored_.marks()) {
        marks_.Add(recordstore::ParseDurationMilliseconds(mark.time_stamp).value_or(0),
                   mark.comment, mark.type);
    }
    emit marksChanged();
    keeper_.set_start(start_log_date_);
    EnterState(TransportState::kStopped);
    return 0;
}

ButtonStates DictationSession::Buttons() const {
    ButtonStates buttons;
    switch (state_) {
        case TransportState::kEmpty:
            buttons.cancel = buttons.record = true;
            break;
        case TransportState::kRecording:
            buttons.mark = buttons.stop = true;
            break;
        case TransportState::kStopped:
            buttons.cancel = buttons.ok = buttons.rewind = buttons.play = true;
            buttons.fast_forward = buttons.record = buttons.positions = true;
            buttons.cut = CanCut();
            break;
        case TransportState::kReview:
            buttons.cancel = buttons.ok = buttons.mark = buttons.rewind = buttons.play = true;
            buttons.stop = buttons.fast_forward = buttons.record = buttons.positions = true;
            break;
        case TransportState::kPlaying:
            buttons.mark = buttons.rewind = buttons.stop = buttons.fast_forward = true;
            break;
    }
    return buttons;
}

int DictationSession::Record() {
    if (state_ != TransportState::kEmpty && state_ != TransportState::kStopped &&
        state_ != TransportState::kReview)
        return 0;
    if (!recorded_ && start_log_date_.empty()) {
        start_log_date_ = NowLogDate();
        keeper_.set_start(start_log_date_);
    }
    end_log_date_.clear();
    UpdateJournalDetails();
    // A new recording's journal starts with its first take; an edited
    // record's holds only what is recorded now (the rest is in the store).
    keeper_.Start(mode_ != DictationMode::kEdit);
    document_.Seek(std::min(cut_to_ms_, document_.length_ms()));
    insert_start_ms_ = document_.position_ms();
    inserting_ = record_insert_;
    const auto mode = inserting_ ? audio::WaveDocument::RecordMode::kInsert
                                 : audio::WaveDocument::RecordMode::kOverwrite;
    if (document_.Record(mode) != audio::kWaveOk) {
        qCDebug(lcDictation) << "Record failed:" << document_.last_error_detail();
        return Fail(kMessageNoRecordingDevice);
    }
    recorded_ = true;
    took_a_take_ = true;
    audio_changed_ = true;
    saved_ = false;
    keeper_.RecordingStarted();
    EnterState(TransportState::kRecording);
    return 0;
}

void DictationSession::Stop() {
    if (state_ == TransportState::kRecording) {
        document_.Stop();
        end_log_date_ = NowLogDate();
        if (inserting_) {
            // The marks made before the insert move by what was inserted;
            // those made during it already stand where they belong.
            const std::int64_t inserted_ms =
                std::max<std::int64_t>(document_.position_ms() - insert_start_ms_, 0);
            marks_.ShiftForInsert(insert_start_ms_, insert_start_ms_ + inserted_ms);
            marks_.Merge(marks_during_insert_);
            marks_during_insert_.Clear();
            emit marksChanged();
        }
        inserting_ = false;
        UpdateJournalDetails();
        keeper_.RecordingStopped();
        cut_to_ms_ = document_.length_ms();
        cut_to_set_ = true;
        cut_allowed_ = true;
        EnterState(TransportState::kStopped);
    } else if (state_ == TransportState::kPlaying || state_ == TransportState::kReview) {
        document_.Stop();
        EnterState(TransportState::kStopped);
    }
}

int DictationSession::Play() {
    if (state_ != TransportState::kStopped && state_ != TransportState::kReview)
        return 0;
    const std::int64_t to_ms = cut_to_ms_ > cut_from_ms_ ? cut_to_ms_ : document_.length_ms();
    const int result = document_.PlayRange(cut_from_ms_, to_ms);
    if (result != audio::kWaveOk) {
        qCDebug(lcDictation) << "Play failed:" << audio::WaveDocument::ErrorText(result);
        return result;
    }
    EnterState(TransportState::kPlaying);
    return 0;
}

void DictationSession::OnPlaybackFinished() {
    if (state_ == TransportState::kPlaying)
        EnterState(TransportState::kStopped);
}

void DictationSession::Rewind() {
    if (state_ != TransportState::kStopped && state_ != TransportState::kPlaying &&
        state_ != TransportState::kReview)
        return;
    Stop();
    document_.SeekToStart();
    cut_from_ms_ = 0;
    cut_allowed_ = true;
    EnterState(TransportState::kStopped);
}

void DictationSession::FastForward() {
    if (state_ != TransportState::kStopped && state_ != TransportState::kPlaying &&
        state_ != TransportState::kReview)
        return;
    Stop();
    document_.SeekToEnd();
    cut_to_ms_ = document_.length_ms();
    cut_allowed_ = true;
    EnterState(TransportState::kStopped);
}

void DictationSession::SetCutFrom(std::int64_t ms) {
    cut_from_ms_ = std::clamp<std::int64_t>(ms, 0, document_.length_ms());
    if (state_ == TransportState::kStopped || state_ == TransportState::kReview)
        document_.Seek(cut_from_ms_);
    cut_allowed_ = true;
    emit stateChanged();
}

void DictationSession::SetCutTo(std::int64_t ms) {
    cut_to_ms_ = std::clamp<std::int64_t>(ms, 0, document_.length_ms());
    if (state_ == TransportState::kStopped || state_ == TransportState::kReview)
        document_.Seek(cut_to_ms_);
    cut_to_set_ = true;
    cut_allowed_ = true;
    emit stateChanged();
}

void DictationSession::DragStartSlider(int seconds) {
    if (state_ == TransportState::kRecording || state_ == TransportState::kPlaying)
        user_dragging_ = true;
    SetCutFrom(std::int64_t{seconds} * 1000);
}

void DictationSession::DragEndSlider(int seconds) {
    if (state_ == TransportState::kRecording || state_ == TransportState::kPlaying)
        user_dragging_ = true;
    SetCutTo(std::int64_t{seconds} * 1000);
}

void DictationSession::ReleaseStartSlider(int seconds) {
    user_dragging_ = false;
    const std::int64_t wanted =
        std::clamp<std::int64_t>(std::int64_t{seconds} * 1000, 0, document_.length_ms());
    if (state_ == TransportState::kStopped || state_ == TransportState::kReview) {
        // Cut-from is where the recording really stands after the seek.
        document_.Seek(wanted);
        cut_from_ms_ = std::clamp<std::int64_t>(document_.position_ms(), 0, document_.length_ms());
    } else {
        // A running transport is not moved by the slider.
        cut_from_ms_ = wanted;
    }
    cut_allowed_ = true;
    emit stateChanged();
}

void DictationSession::ReleaseEndSlider(int seconds) {
    user_dragging_ = false;
    SetCutTo(std::int64_t{seconds} * 1000);
}

bool DictationSession::CanCut() const {
    return state_ == TransportState::kStopped && cut_allowed_ && cut_from_ms_ < cut_to_ms_;
}

bool DictationSession::Cut() {
    if (!CanCut())
        return false;
    if (document_.DeleteRange(cut_from_ms_, cut_to_ms_) != audio::kWaveOk)
        return false;
    marks_.ShiftForCut(cut_from_ms_, cut_to_ms_);
    // The cut range is gone: the whole recording is the range again.
    cut_from_ms_ = 0;
    cut_to_ms_ = document_.length_ms();
    cut_allowed_ = false;
    audio_changed_ = true;
    MarksChanged();
    EnterState(TransportState::kStopped);
    return true;
}

void DictationSession::SetInsertPoint(std::int64_t ms) {
    if (state_ != TransportState::kStopped && state_ != TransportState::kReview)
        return;
    document_.Seek(std::clamp<std::int64_t>(ms, 0, document_.length_ms()));
    cut_from_ms_ = cut_to_ms_ = document_.position_ms();
    cut_to_set_ = true;
    cut_allowed_ = true;
    emit stateChanged();
}

void DictationSession::Reset() {
    cut_from_ms_ = 0;
    cut_to_ms_ = document_.length_ms();
    cut_allowed_ = false;
    emit stateChanged();
}

bool DictationSession::AddMark(std::string_view comment) {
    if (!Buttons().mark)
        return false;
    recorder::RecorderMarks& into = inserting_ ? marks_during_insert_ : marks_;
    if (!into.Add(document_.position_ms(), comment))
        return false;
    MarksChanged();
    return true;
}

bool DictationSession::EditMarkComment(std::size_t row, std::string_view comment) {
    if (!marks_.EditComment(row, comment))
        return false;
    MarksChanged();
    return true;
}

void DictationSession::SortMarks() {
    marks_.SortByTime();
    emit marksChanged();
}

std::vector<RecorderMark> DictationSession::Marks() const {
    return marks_.marks();
}

void DictationSession::MarksChanged() {
    marks_changed_ = true;
    UpdateJournalDetails();
    emit marksChanged();
}

void DictationSession::set_subject(std::string subject) {
    subject_ = std::move(subject);
    UpdateJournalDetails();
}

void DictationSession::set_keywords(std::string keywords) {
    keywords_ = std::move(keywords);
    UpdateJournalDetails();
}

void DictationSession::set_picture_path(fs::path path) {
    picture_path_ = std::move(path);
    UpdateJournalDetails();
}

void DictationSession::UpdateJournalDetails() {
    recorder::TakeDetails details;
    details.end_log_date = end_log_date_;
    details.subject = subject_;
    details.keywords = keywords_;
    // An edit's journal holds only the audio recorded now, which the
    // stored marks do not describe.
    if (mode_ != DictationMode::kEdit) {
        details.marks = marks_.marks();
        const std::vector<RecorderMark>& during = marks_during_insert_.marks();
        details.marks.insert(details.marks.end(), during.begin(), during.end());
    }
    keeper_.UpdateDetails(details, picture_path_);
}

void DictationSession::SelectInputDevice(const QByteArray& device_id) {
    document_.SetInputDevice(device_id);
}

void DictationSession::EnterState(TransportState state) {
    state_ = state;
    // A drag that outlives the transport must not keep the position text
    // frozen afterwards.
    if (state != TransportState::kRecording && state != TransportState::kPlaying)
        user_dragging_ = false;
    emit stateChanged();
}

bool DictationSession::has_unsaved_recording() const {
    if (saved_)
        return false;
    if (mode_ != DictationMode::kEdit)
        return recorded_;
    return audio_changed_ || marks_changed_ || subject_ != stored_.fields().subject ||
           keywords_ != stored_.keywords() || picture_path_ != stored_.picture_path();
}

bool DictationSession::HasUnsavedAudio() const {
    return !saved_ && (mode_ == DictationMode::kEdit ? audio_changed_ : recorded_);
}

int DictationSession::Save() {
    if (saved_)
        return 0;
    if (mode_ != DictationMode::kEdit && !recorded_)
        return kMessageMissingFile;
    Stop();
    const int result = SaveFiles();
    // Nothing reached the store: the recorded audio is kept where the next
    // start offers to recover it, rather than lost with the other files.
    const bool kept = (result == kMessageMissingFile || result == kMessageCannotSave) &&
                      HasUnsavedAudio() && keeper_.Keep();
    if (result != 0 && HasUnsavedAudio() && !kept) {
        // The open recording is its only copy now (a full disk refuses the
        // store and the take alike): it is not closed, so OK can try again.
        reporter_.ReportMessage(result, core::kStyleExclamation);
        reporter_.ReportText(recorder::kRecordingStaysText, core::kStyleExclamation);
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

int DictationSession::SaveFiles() {
    // An edit opened on a store that is no longer open writes nothing, not
    // even into the working folder of the store open now.
    if (mode_ == DictationMode::kEdit && !updater_->bound())
        return kMessageCannotSave;
    qCDebug(lcDictation) << "About to fast forward";
    document_.SeekToEnd();
    qCDebug(lcDictation) << "Fast forward OK";
    // An edited record whose audio is untouched keeps its wave as stored.
    if (mode_ != DictationMode::kEdit || audio_changed_) {
        qCDebug(lcDictation) << "Saving WAV file";
        if (document_.Save(QString::fromStdString(files_.wave_path().string())) != audio::kWaveOk)
            return kMessageMissingFile;
        qCDebug(lcDictation) << "WAV file saved";
    }
    DictationDraft draft;
    draft.subject = subject_;
    draft.keywords = keywords_;
    draft.picture = picture_path_;
    draft.start_log_date = start_log_date_;
    draft.end_log_date = end_log_date_;
    draft.length_ms = document_.length_ms();
    draft.marks = marks_.ToIndexMarks();

    DictationSave save(target_, files_);
    const int result = mode_ == DictationMode::kEdit ? save.SaveEdited(draft, stored_, *updater_)
                                                     : save.SaveNew(draft);
    if (save.stored()) {
        record_number_ = save.record_number();
        saved_ = true;
    }
    return result;
}

CloseOutcome DictationSession::Close() {
    Stop();
    return recorder::CloseRecorder(reporter_,
                                   {has_unsaved_recording(), saved_, [this] { return Save(); },
                                    [this] {
                                        document_.Close();
                                        DeleteTemporaryFiles();
                                    }});
}

bool DictationSession::CloseKeepingTake() {
    Stop();
    // The take journal is already where the next start looks; it only has
    // to be left there.
    const bool kept = !HasUnsavedAudio() || keeper_.Keep();
    if (!kept)
        qCWarning(lcDictation) << "The unsaved recording could not be kept";
    document_.Close();
    DeleteTemporaryFiles();
    return kept;
}

void DictationSession::DeleteTemporaryFiles() {
    files_.RemoveAll();
    keeper_.Remove();
}

int SliderSeconds(std::int64_t length_ms) {
    return static_cast<int>(std::max<std::int64_t>(1, length_ms / 1000));
}

}  // namespace kivo::dictation
