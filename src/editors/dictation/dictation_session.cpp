// The dictation recorder's logic: transport, marks, cut and save.
#include "kivo/dictation/dictation_session.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>
#include <system_error>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "qldate.h"
#include "shell/messages.h"
#include "shell/profile_file.h"
#include "xrsave.h"
#include "zn2index.h"

Q_LOGGING_CATEGORY(lcDictation, "kivo.dictation")

namespace kivo::dictation {
namespace {

namespace fs = std::filesystem;
using recordstore::IndexMark;

constexpr int kMessageUnsavedRecording = 1;
constexpr int kMessageMissingFile = 108;
constexpr int kMessageCannotSave = 109;
constexpr int kMessageIndexFailed = 110;
constexpr int kMessageNoRecordingDevice = 202;

std::string NowLogDate() {
    char text[QLDATE_BUFFER_BYTES] = {};
    LogDate(text);
    return text;
}

// "dd/mm/yyyy HH:MM:SS" split into its date and time words.
std::pair<std::string, std::string> SplitLogDate(const std::string& log_date) {
    const std::size_t space = log_date.find(' ');
    if (space == std::string::npos)
        return {log_date, std::string()};
    return {log_date.substr(0, space), log_date.substr(space + 1)};
}

std::string KeywordsForIndex(std::string keywords) {
    std::replace(keywords.begin(), keywords.end(), '\r', ' ');
    std::replace(keywords.begin(), keywords.end(), '\n', ' ');
    return keywords;
}

// "gif" for a GIF file, "jpg" for anything else (the dialog offers only
// GIF and JPEG).
std::string PictureExtension(const fs::path& picture) {
    std::string extension = picture.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".gif" ? ".gif" : ".jpg";
}

}  // namespace

DictationSession::DictationSession(audio::AudioBackend& backend, DictationTarget target,
                                   shell::MessageReporter& reporter, QObject* parent)
    : QObject(parent), document_(backend), target_(std::move(target)), reporter_(reporter) {
    char stamp[QLDATE_BUFFER_BYTES] = {};
    stamp_ = DateStamp(stamp);
    connect(&document_, &audio::WaveDocument::playbackFinished, this,
            &DictationSession::OnPlaybackFinished);
    connect(&document_, &audio::WaveDocument::inputLevelsMeasured, this,
            &DictationSession::inputLevelsMeasured);
}

DictationSession::~DictationSession() {
    if (document_.is_recording() || document_.is_playing())
        document_.Stop();
    document_.Close();
    DeleteTemporaryFiles();
}

int DictationSession::Open() {
    if (document_.Open(QString()) != audio::kWaveOk) {
        reporter_.ReportMessage(kMessageNoRecordingDevice, shell::kStyleExclamation);
        return kMessageNoRecordingDevice;
    }
    if (document_.SetFormatFromQuality(target_.recording_quality) != audio::kWaveOk) {
        reporter_.ReportText("Unable to set format for recording", shell::kStyleExclamation);
        return kMessageNoRecordingDevice;
    }
    EnterState(TransportState::kEmpty);
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
        case TransportState::kPlaying:
            buttons.mark = buttons.rewind = buttons.stop = buttons.fast_forward = true;
            break;
    }
    return buttons;
}

int DictationSession::Record() {
    if (state_ != TransportState::kEmpty && state_ != TransportState::kStopped)
        return 0;
    if (!recorded_)
        start_log_date_ = NowLogDate();
    end_log_date_.clear();
    document_.Seek(std::min(cut_to_ms_, document_.length_ms()));
    insert_start_ms_ = document_.position_ms();
    inserting_ = record_insert_;
    const auto mode = inserting_ ? audio::WaveDocument::RecordMode::kInsert
                                 : audio::WaveDocument::RecordMode::kOverwrite;
    if (document_.Record(mode) != audio::kWaveOk) {
        qCDebug(lcDictation) << "Record failed:" << document_.last_error_detail();
        reporter_.ReportMessage(kMessageNoRecordingDevice, shell::kStyleExclamation);
        return kMessageNoRecordingDevice;
    }
    recorded_ = true;
    saved_ = false;
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
        cut_to_ms_ = document_.length_ms();
        cut_to_set_ = true;
        cut_allowed_ = true;
        EnterState(TransportState::kStopped);
    } else if (state_ == TransportState::kPlaying) {
        document_.Stop();
        EnterState(TransportState::kStopped);
    }
}

int DictationSession::Play() {
    if (state_ != TransportState::kStopped)
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
    if (state_ != TransportState::kStopped && state_ != TransportState::kPlaying)
        return;
    Stop();
    document_.SeekToStart();
    cut_from_ms_ = 0;
    cut_allowed_ = true;
    EnterState(TransportState::kStopped);
}

void DictationSession::FastForward() {
    if (state_ != TransportState::kStopped && state_ != TransportState::kPlaying)
        return;
    Stop();
    document_.SeekToEnd();
    cut_to_ms_ = document_.length_ms();
    cut_allowed_ = true;
    EnterState(TransportState::kStopped);
}

void DictationSession::SetCutFrom(std::int64_t ms) {
    cut_from_ms_ = std::clamp<std::int64_t>(ms, 0, document_.length_ms());
    if (state_ == TransportState::kStopped)
        document_.Seek(cut_from_ms_);
    cut_allowed_ = true;
    emit stateChanged();
}

void DictationSession::SetCutTo(std::int64_t ms) {
    cut_to_ms_ = std::clamp<std::int64_t>(ms, 0, document_.length_ms());
    cut_to_set_ = true;
    cut_allowed_ = true;
    emit stateChanged();
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
    cut_to_ms_ = std::min(cut_to_ms_, document_.length_ms());
    cut_from_ms_ = std::min(cut_from_ms_, cut_to_ms_);
    cut_allowed_ = false;
    emit marksChanged();
    EnterState(TransportState::kStopped);
    return true;
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
    DictationMarks& into = inserting_ ? marks_during_insert_ : marks_;
    if (!into.Add(document_.position_ms(), comment))
        return false;
    emit marksChanged();
    return true;
}

bool DictationSession::EditMarkComment(std::size_t row, std::string_view comment) {
    if (!marks_.EditComment(row, comment))
        return false;
    emit marksChanged();
    return true;
}

std::vector<DictationMark> DictationSession::Marks() const {
    return marks_.marks();
}

void DictationSession::SelectInputDevice(const QByteArray& device_id) {
    document_.SetInputDevice(device_id);
}

std::string DictationSession::ContainerName() const {
    return std::string(recordstore::kContainerPrefix) + stamp_ +
           std::string(recordstore::kAudioContainerExtension);
}

fs::path DictationSession::TempPath(std::string_view extension) const {
    return target_.working_folder /
           (std::string(recordstore::kContainerPrefix) + stamp_ + std::string(extension));
}

void DictationSession::EnterState(TransportState state) {
    state_ = state;
    emit stateChanged();
}

int DictationSession::Save() {
    if (!recorded_ || saved_)
        return saved_ ? 0 : kMessageMissingFile;
    Stop();
    const int result = SaveFiles();
    document_.Close();
    DeleteTemporaryFiles();
    if (result != 0)
        reporter_.ReportMessage(result, shell::kStyleExclamation);
    return result;
}

int DictationSession::SaveFiles() {
    const fs::path marks_path = TempPath(recordstore::kIndexMarksExtension);
    const fs::path line_path = TempPath(recordstore::kRecordLineExtension);
    const fs::path wave_path = TempPath(recordstore::kAudioMediaExtension);

    qCDebug(lcDictation) << "Saving SFS";
    const std::vector<IndexMark> marks = marks_.ToIndexMarks();
    if (!recordstore::WriteIndexMarkFile(marks_path.string(), marks).ok())
        return kMessageMissingFile;
    const std::string mark_comments = recordstore::JoinMarkComments(marks);

    qCDebug(lcDictation) << "Saving WAV file";
    document_.SeekToEnd();
    const std::int64_t length_ms = document_.length_ms();
    if (document_.Save(QString::fromStdString(wave_path.string())) != audio::kWaveOk)
        return kMessageMissingFile;

    if (target_.profile == nullptr)
        return kMessageCannotSave;
    const auto number = target_.profile->TakeNextRecordNumber(target_.profile_section);
    if (!number)
        return kMessageCannotSave;

    recordstore::RecordFields fields;
    fields.record_number = *number;
    fields.kind_code = recordstore::kind_code::kMessage;
    fields.text_a = "0";
    fields.subject = subject_;
    fields.container_name = ContainerName();
    const std::string end = end_log_date_.empty() ? NowLogDate() : end_log_date_;
    std::tie(fields.start_date, fields.start_time) = SplitLogDate(start_log_date_);
    std::tie(fields.end_date, fields.end_time) = SplitLogDate(end);
    fields.duration = DurationText(length_ms);
    fields.recording_quality = std::to_string(target_.recording_quality);
    const recordstore::RecordLineBuild line = recordstore::RecordLine::Build(fields);
    recordstore::RecordLine parsed;
    if (!line.status.ok() || !recordstore::RecordLine::Parse(line.bytes, &parsed).ok() ||
        !parsed.WriteFile(line_path.string()).ok())
        return kMessageCannotSave;

    std::error_code error;
    if (!fs::exists(wave_path, error) || !fs::exists(line_path, error) ||
        !fs::exists(marks_path, error))
        return kMessageMissingFile;

    std::string picture_name;
    if (!picture_path_.empty()) {
        const fs::path copy = TempPath(PictureExtension(picture_path_));
        if (!fs::copy_file(picture_path_, copy, fs::copy_options::overwrite_existing, error))
            return kMessageMissingFile;
        picture_name = copy.filename().string();
    }

    qCDebug(lcDictation) << "Saving Kivo file to repository";
    const std::string working = target_.working_folder.string();
    const std::string store = target_.store_path.string();
    const std::int64_t position =
        XRsaveR(wave_path.filename().string().c_str(), line_path.filename().string().c_str(),
                marks_path.filename().string().c_str(), picture_name.c_str(), working.c_str(),
                store.c_str(), stamp_.c_str(), 0);
    if (position == 0)
        return kMessageCannotSave;
    record_number_ = *number;
    saved_ = true;

    qCDebug(lcDictation) << "Updating Index";
    const std::string index_path = (target_.working_folder / recordstore::kIndexName).string();
    const std::string keywords = KeywordsForIndex(keywords_);
    Zn2IndexEntry entry{};
    entry.index_path = index_path.c_str();
    entry.store_path = store.c_str();
    entry.working_folder = working.c_str();
    entry.record_number = *number;
    entry.kind_code = recordstore::kind_code::kMessage;
    entry.start_date = fields.start_date.c_str();
    entry.keywords = keywords.c_str();
    entry.mark_comments = mark_comments.c_str();
    entry.line_position = position;
    entry.moved = 0;
    if (Zn2IndexAdd(&entry) == 0)
        return kMessageIndexFailed;
    qCDebug(lcDictation) << "Index updated";
    return 0;
}

CloseOutcome DictationSession::Close() {
    Stop();
    if (has_unsaved_recording() &&
        reporter_.ReportMessage(kMessageUnsavedRecording, shell::kStyleQuestion) ==
            shell::kAnswerYes) {
        return Save() == 0 ? CloseOutcome::kSaved : CloseOutcome::kSaveFailed;
    }
    document_.Close();
    DeleteTemporaryFiles();
    return saved_ ? CloseOutcome::kSaved : CloseOutcome::kDiscarded;
}

void DictationSession::DeleteTemporaryFiles() {
    std::error_code error;
    for (std::string_view extension :
         {recordstore::kAudioMediaExtension, recordstore::kIndexMarksExtension,
          recordstore::kRecordLineExtension, recordstore::kAudioContainerExtension,
          std::string_view(".gif"), std::string_view(".jpg")}) {
        fs::remove(TempPath(extension), error);
    }
    // What an interrupted wave save leaves behind.
    fs::remove(target_.working_folder / "temp.xrw", error);
}

}  // namespace kivo::dictation

namespace kivo::dictation {

int ReadRecordingQuality(const shell::ProfileFile& profile, std::string_view section) {
    const std::string text = profile.Read(section, "RecQual");
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '3')
        return text[0] - '0';
    return 0;
}

}  // namespace kivo::dictation
