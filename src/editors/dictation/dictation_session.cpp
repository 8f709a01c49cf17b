// The dictation recorder's logic: transport, marks, cut and save.
#include "kivo/dictation/dictation_session.h"

#include <QDebug>
#include <QLoggingCategory>
#include <algorithm>
#include <system_error>

#include "kivo/core/profile_file.h"
#include "kivo/core/record_replace.h"
#include "kivo/core/user_messages.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "qldate.h"
#include "xrsave.h"
#include "zn2index.h"

Q_LOGGING_CATEGORY(lcDictation, "kivo.dictation")

namespace kivo::dictation {
namespace {

namespace fs = std::filesystem;
using recorder::TakeInfo;
using recorder::TakeJournal;
using recordstore::IndexMark;

constexpr int kMessageUnsavedRecording = 1;
constexpr int kMessageRecordLocked = 6;
constexpr int kMessageMissingFile = 108;
constexpr int kMessageCannotSave = 109;
constexpr int kMessageIndexFailed = 110;
constexpr int kMessageCorruptRecord = 113;
constexpr int kMessageCannotOpenRecording = 200;
constexpr int kMessageNoRecordingDevice = 202;

constexpr const char* kTakeKeptText =
    "The recording has been kept: Kivo offers to recover it the next time it starts.";

// Picture members of a stored record, by type (1 GIF, 2 JPG), and the
// lower-case names older records may carry.
constexpr std::string_view kStoredPictureExtensions[] = {".GIF", ".JPG"};
constexpr std::string_view kLowerPictureExtensions[] = {".gif", ".jpg"};

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

// 1 for a GIF picture (by its file name), 2 for anything else (the dialog
// offers only GIF and JPEG), 0 for none.
int PictureType(const fs::path& picture) {
    if (picture.empty())
        return 0;
    std::string extension = picture.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".gif" ? 1 : 2;
}

// The picture member of a record: B + ".GIF" or B + ".JPG", the names
// XRsaveXRZ stores and every reader looks for first.
std::string_view PictureExtension(int type) {
    return kStoredPictureExtensions[type == 1 ? 0 : 1];
}

// Writes the record file of a built line; false when the line could not be
// built or the file not written.
bool WriteRecordFile(const recordstore::RecordLineBuild& line, const fs::path& path) {
    recordstore::RecordLine parsed;
    return line.status.ok() && recordstore::RecordLine::Parse(line.bytes, &parsed).ok() &&
           parsed.WriteFile(path.string()).ok();
}

bool AllExist(std::initializer_list<fs::path> paths) {
    std::error_code error;
    return std::all_of(paths.begin(), paths.end(),
                       [&error](const fs::path& path) { return fs::exists(path, error); });
}

// A container name as the record line holds it: a plain file name ending
// with ".xrz", nothing that could reach outside the working folder.
bool IsPlainContainerName(const std::string& name) {
    const std::string_view extension = recordstore::kAudioContainerExtension;
    return name.size() > extension.size() && name.size() <= 260 && name.ends_with(extension) &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
           name.front() != '.';
}

}  // namespace

DictationSession::DictationSession(sound::AudioBackend& backend, DictationTarget target,
                                   core::MessageReporter& reporter, QObject* parent)
    : QObject(parent), document_(backend), target_(std::move(target)), reporter_(reporter) {
    char stamp[QLDATE_BUFFER_BYTES] = {};
    stamp_ = DateStamp(stamp);
    base_name_ = std::string(recordstore::kContainerPrefix) + stamp_;
    connect(&document_, &audio::WaveDocument::playbackFinished, this,
            &DictationSession::OnPlaybackFinished);
    connect(&document_, &audio::WaveDocument::inputLevelsMeasured, this,
            &DictationSession::inputLevelsMeasured);
    // Syncing is the one costly step of keeping the journal; it is done for
    // what arrived over a second, not for every buffer.
    journal_sync_timer_.setInterval(kJournalSyncInterval_ms);
    connect(&journal_sync_timer_, &QTimer::timeout, this, &DictationSession::SyncJournal);
}

DictationSession::~DictationSession() {
    if (document_.is_recording() || document_.is_playing())
        document_.Stop();
    journal_sync_timer_.stop();
    // Nobody decided what becomes of the audio (the recorder was never
    // closed): it stays for the next start to offer.
    if (journal_ && HasUnsavedAudio())
        KeepTake();
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
    mode_ = DictationMode::kNewFromWave;
    const fs::path temporary_wave = TempPath(recordstore::kAudioMediaExtension);
    std::error_code error;
    if (!fs::copy_file(wave, temporary_wave, fs::copy_options::overwrite_existing, error) ||
        document_.Open(QString::fromStdString(temporary_wave.string())) != audio::kWaveOk) {
        qCDebug(lcDictation) << "Cannot open" << wave.c_str() << document_.last_error_detail();
        DeleteTemporaryFiles();
        return Fail(kMessageCannotOpenRecording);
    }
    start_log_date_ = NowLogDate();
    end_log_date_ = start_log_date_;
    // The review starts with an empty index-mark file, as a recording does.
    if (!recordstore::WriteIndexMarkFile(TempPath(recordstore::kIndexMarksExtension).string(), {})
             .ok())
        qCDebug(lcDictation) << "Cannot create the index-mark file";
    cut_from_ms_ = 0;
    cut_to_ms_ = document_.length_ms();
    cut_to_set_ = true;
    record_insert_ = true;
    recorded_ = true;  // the wave is not in the store yet
    // The wave is the recording now: a crash from here on leaves it behind.
    StartJournal(true);
    EnterState(TransportState::kReview);
    return 0;
}

int DictationSession::OpenStored(const std::string& container_name) {
    mode_ = DictationMode::kEdit;
    if (!IsPlainContainerName(container_name))
        return Fail(XR_CONTAINER_FAILED);
    const std::string working = target_.working_folder.string();
    const std::string store = target_.store_path.string();
    base_name_ = container_name.substr(
        0, container_name.size() - recordstore::kAudioContainerExtension.size());
    stamp_ = base_name_.starts_with(recordstore::kContainerPrefix)
                 ? base_name_.substr(recordstore::kContainerPrefix.size())
                 : base_name_;
    const int opened =
        XRopenXRZ(container_name.c_str(), working.c_str(), store.c_str(), XR_OPEN_DEFAULT);
    if (opened > 0) {
        DeleteTemporaryFiles();
        return Fail(opened);
    }
    if (const int loaded = LoadStoredRecord(); loaded != 0) {
        DeleteTemporaryFiles();
        return Fail(loaded);
    }
    if (document_.Open(QString::fromStdString(
            TempPath(recordstore::kAudioMediaExtension).string())) != audio::kWaveOk) {
        qCDebug(lcDictation) << "Cannot open the stored recording" << document_.last_error_detail();
        DeleteTemporaryFiles();
        return Fail(kMessageNoRecordingDevice);
    }
    qCDebug(lcDictation) << "Seek to start called";
    document_.SeekToStart();
    cut_from_ms_ = 0;
    cut_to_ms_ = document_.length_ms();
    cut_to_set_ = true;
    LoadStoredMarks();
    EnterState(TransportState::kStopped);
    return 0;
}

int DictationSession::LoadStoredRecord() {
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile(TempPath(recordstore::kRecordLineExtension).string(),
                                           &line)
             .ok() ||
        !line.IsRecord())
        return kMessageCorruptRecord;
    stored_fields_ = line.Fields();
    if (stored_fields_.recording_quality.empty())
        stored_fields_.recording_quality = "0";
    record_number_ = stored_fields_.record_number;
    subject_ = stored_fields_.subject;
    start_log_date_ = stored_fields_.start_date + " " + stored_fields_.start_time;
    end_log_date_ = stored_fields_.end_date + " " + stored_fields_.end_time;

    const std::string index_path = (target_.working_folder / recordstore::kIndexName).string();
    std::string keywords(ZN2INDEX_KEYWORDS_BUFFER_BYTES, '\0');
    Zn2IndexRead(record_number_, index_path.c_str(), keywords.data());
    keywords_ = keywords.c_str();
    stored_keywords_ = keywords_;

    if (!stored_fields_.lock.empty())
        return kMessageRecordLocked;

    const std::string container = (target_.working_folder / ContainerName()).string();
    const std::string working = target_.working_folder.string();
    for (const auto* extensions : {kStoredPictureExtensions, kLowerPictureExtensions}) {
        for (int type = 1; type <= 2 && stored_picture_member_.empty(); ++type) {
            const std::string member = base_name_ + std::string(extensions[type - 1]);
            if (CheckForFile(container.c_str(), member.c_str()) == 0 &&
                ExtractFile(container.c_str(), working.c_str(), member.c_str()) == 0) {
                stored_picture_member_ = member;
                stored_picture_path_ = target_.working_folder / member;
                picture_path_ = stored_picture_path_;
            }
        }
    }
    return 0;
}

void DictationSession::LoadStoredMarks() {
    const fs::path marks_path = TempPath(recordstore::kIndexMarksExtension);
    recordstore::IndexMarkRead read;
    if (recordstore::ReadIndexMarkFile(marks_path.string(), &read).ok()) {
        for (const IndexMark& mark : read.marks)
            marks_.Add(conv_duration(mark.time_stamp.c_str()), mark.comment, mark.type);
    }
    std::error_code error;
    fs::remove(marks_path, error);
    emit marksChanged();
}

bool DictationSession::StartJournal(bool seed_with_recording) {
    if (journal_)
        return true;
    const TakeInfo info{document_.format(),
                        start_log_date_.empty() ? NowLogDate() : start_log_date_};
    // The recording so far streams into the journal block by block: a long
    // wave opened for review is never held in memory whole.
    const TakeJournal::Seed seed = [this, seed_with_recording](const auto& write) {
        return !seed_with_recording || document_.ForEachSampleBlock(write);
    };
    if (!target_.takes_folder.empty() && recorder::PrepareTakesFolder(target_.takes_folder))
        journal_ = TakeJournal::Create(target_.takes_folder, base_name_, info, seed);
    if (!journal_) {
        qCWarning(lcDictation) << "No take journal in" << target_.takes_folder.c_str()
                               << ": a crash would lose this recording";
        return false;
    }
    journal_incomplete_ = false;
    document_.SetCaptureJournal(QString::fromStdString(journal_->journal_path().string()));
    return true;
}

void DictationSession::SyncJournal() {
    if (!document_.is_recording())
        journal_sync_timer_.stop();
    if (journal_ && !journal_->Sync())
        qCWarning(lcDictation) << "The take journal cannot be synced to disk";
}

fs::path DictationSession::JournalPath() const {
    return journal_ ? journal_->journal_path() : fs::path();
}

std::uint64_t DictationSession::JournalSyncedBytes() const {
    return journal_ ? journal_->synced_bytes() : 0;
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
    if (!recorded_ && start_log_date_.empty())
        start_log_date_ = NowLogDate();
    // A new recording's journal starts with its first take; an edited
    // record's holds only what is recorded now (the rest is in the store).
    StartJournal(mode_ != DictationMode::kEdit);
    end_log_date_.clear();
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
    if (journal_)
        journal_sync_timer_.start();
    EnterState(TransportState::kRecording);
    return 0;
}

void DictationSession::Stop() {
    if (state_ == TransportState::kRecording) {
        document_.Stop();
        journal_sync_timer_.stop();
        if (document_.journal_failed())
            journal_incomplete_ = true;
        SyncJournal();
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
    cut_to_ms_ = std::min(cut_to_ms_, document_.length_ms());
    cut_from_ms_ = std::min(cut_from_ms_, cut_to_ms_);
    cut_allowed_ = false;
    audio_changed_ = true;
    marks_changed_ = true;
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
    recorder::RecorderMarks& into = inserting_ ? marks_during_insert_ : marks_;
    if (!into.Add(document_.position_ms(), comment))
        return false;
    marks_changed_ = true;
    emit marksChanged();
    return true;
}

bool DictationSession::EditMarkComment(std::size_t row, std::string_view comment) {
    if (!marks_.EditComment(row, comment))
        return false;
    marks_changed_ = true;
    emit marksChanged();
    return true;
}

void DictationSession::SortMarks() {
    marks_.SortByTime();
    emit marksChanged();
}

std::vector<recorder::RecorderMark> DictationSession::Marks() const {
    return marks_.marks();
}

void DictationSession::SelectInputDevice(const QByteArray& device_id) {
    document_.SetInputDevice(device_id);
}

std::string DictationSession::ContainerName() const {
    return base_name_ + std::string(recordstore::kAudioContainerExtension);
}

fs::path DictationSession::TempPath(std::string_view extension) const {
    return target_.working_folder / (base_name_ + std::string(extension));
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
    return audio_changed_ || marks_changed_ || subject_ != stored_fields_.subject ||
           keywords_ != stored_keywords_ || picture_path_ != stored_picture_path_;
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
                      HasUnsavedAudio() && KeepTake();
    document_.Close();
    DeleteTemporaryFiles();
    if (result != 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    if (kept)
        reporter_.ReportText(kTakeKeptText, core::kStyleInformation);
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
    qCDebug(lcDictation) << "Saved SFS";

    qCDebug(lcDictation) << "About to fast forward";
    document_.SeekToEnd();
    const std::int64_t length_ms = document_.length_ms();
    qCDebug(lcDictation) << "Fast forward OK";
    // An edited record whose audio is untouched keeps its wave as stored.
    if (mode_ != DictationMode::kEdit || audio_changed_) {
        qCDebug(lcDictation) << "Saving WAV file";
        if (document_.Save(QString::fromStdString(wave_path.string())) != audio::kWaveOk)
            return kMessageMissingFile;
        qCDebug(lcDictation) << "WAV file saved";
    }

    recordstore::RecordFields fields;
    if (mode_ == DictationMode::kEdit) {
        fields = stored_fields_;
    } else {
        fields.kind_code = recordstore::kind_code::kMessage;
        fields.text_a = "0";
        fields.container_name = ContainerName();
        fields.recording_quality = std::to_string(target_.recording_quality);
        std::tie(fields.start_date, fields.start_time) = SplitLogDate(start_log_date_);
    }
    fields.subject = subject_;
    const std::string end = end_log_date_.empty() ? NowLogDate() : end_log_date_;
    std::tie(fields.end_date, fields.end_time) = SplitLogDate(end);
    fields.duration = recordstore::DurationText(length_ms);
    if (mode_ == DictationMode::kEdit)
        return SaveEditedRecord(fields, mark_comments);
    return SaveNewRecord(fields, mark_comments);
}

int DictationSession::SaveNewRecord(const recordstore::RecordFields& plain_fields,
                                    const std::string& mark_comments) {
    const fs::path marks_path = TempPath(recordstore::kIndexMarksExtension);
    const fs::path line_path = TempPath(recordstore::kRecordLineExtension);
    const fs::path wave_path = TempPath(recordstore::kAudioMediaExtension);
    if (target_.profile == nullptr)
        return kMessageCannotSave;
    const auto number = target_.profile->TakeNextRecordNumber(target_.profile_section);
    if (!number)
        return kMessageCannotSave;

    recordstore::RecordFields fields = plain_fields;
    fields.record_number = *number;
    if (!WriteRecordFile(recordstore::RecordLine::Build(fields), line_path))
        return kMessageCannotSave;
    if (!AllExist({wave_path, line_path, marks_path}))
        return kMessageMissingFile;

    std::error_code error;

    std::string picture_name;
    if (!picture_path_.empty()) {
        const fs::path copy = TempPath(PictureExtension(PictureType(picture_path_)));
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
    qCDebug(lcDictation) << "Kivo file saved to repository";
    record_number_ = *number;
    saved_ = true;
    return AddToIndex(position, fields, mark_comments, false);
}

int DictationSession::SaveEditedRecord(const recordstore::RecordFields& fields,
                                       const std::string& mark_comments) {
    const fs::path marks_path = TempPath(recordstore::kIndexMarksExtension);
    const fs::path line_path = TempPath(recordstore::kRecordLineExtension);
    const fs::path wave_path = TempPath(recordstore::kAudioMediaExtension);

    if (!WriteRecordFile(recordstore::RecordLine::BuildRewrite(fields), line_path))
        return kMessageCannotSave;
    if (!AllExist({wave_path, line_path, marks_path}))
        return kMessageMissingFile;

    std::error_code error;
    // The picture: a removed one, or one stored under another name than
    // the one it is saved as, goes out of the container; a new one is copied
    // beside the other members under its member name.
    const std::string container = (target_.working_folder / ContainerName()).string();
    const int picture_type = PictureType(picture_path_);
    const std::string picture_member =
        picture_type == 0 ? std::string()
                          : base_name_ + std::string(PictureExtension(picture_type));
    if (!stored_picture_member_.empty() && stored_picture_member_ != picture_member &&
        DelFile(container.c_str(), stored_picture_member_.c_str()) != 0)
        return kMessageCannotSave;
    if (picture_type != 0 && picture_path_ != target_.working_folder / picture_member &&
        !fs::copy_file(picture_path_, target_.working_folder / picture_member,
                       fs::copy_options::overwrite_existing, error))
        return kMessageMissingFile;

    qCDebug(lcDictation) << "Saving Kivo file to repository";
    const std::string working = target_.working_folder.string();
    const std::string store = target_.store_path.string();
    if (XRsaveXRZ(ContainerName().c_str(), working.c_str(), store.c_str(),
                  picture_type == 0 ? XR_PICTURE_NONE : picture_type + 1) != 0)
        return kMessageCannotSave;
    const char* log_name = recordstore::RecordLogNameForKind(fields.kind_code);
    if (log_name == nullptr)
        return kMessageCannotSave;
    core::RecordReplaceRequest request;
    request.record_file = line_path;
    request.record_number = fields.record_number;
    request.record_log = target_.working_folder / log_name;
    request.store_path = target_.store_path;
    request.working_folder = target_.working_folder;
    const core::RecordReplaceResult replaced = core::ReplaceRecordLine(request);
    if (!replaced.ok()) {
        qCDebug(lcDictation) << "Record line not replaced:"
                             << core::RecordReplaceStatusText(replaced.status);
        return kMessageCannotSave;
    }
    qCDebug(lcDictation) << "Kivo file saved to repository";
    saved_ = true;
    return AddToIndex(static_cast<std::int64_t>(replaced.offset_bytes), fields, mark_comments,
                      true);
}

int DictationSession::AddToIndex(std::int64_t position, const recordstore::RecordFields& fields,
                                 const std::string& mark_comments, bool replace) {
    qCDebug(lcDictation) << "Updating Index";
    const std::string index_path = (target_.working_folder / recordstore::kIndexName).string();
    const std::string store = target_.store_path.string();
    const std::string working = target_.working_folder.string();
    const std::string keywords = KeywordsForIndex(keywords_);
    Zn2IndexEntry entry{};
    entry.index_path = index_path.c_str();
    entry.store_path = store.c_str();
    entry.working_folder = working.c_str();
    entry.record_number = fields.record_number;
    entry.kind_code = fields.kind_code.c_str();
    entry.start_date = fields.start_date.c_str();
    entry.keywords = keywords.c_str();
    entry.mark_comments = mark_comments.c_str();
    entry.line_position = position;
    entry.moved = 0;
    if (replace)
        Zn2IndexDel(&entry);
    if (Zn2IndexAdd(&entry) == 0)
        return kMessageIndexFailed;
    qCDebug(lcDictation) << "Index updated";
    return 0;
}

CloseOutcome DictationSession::Close() {
    Stop();
    if (has_unsaved_recording() &&
        reporter_.ReportMessage(kMessageUnsavedRecording, core::kStyleQuestion) ==
            core::kAnswerYes) {
        return Save() == 0 ? CloseOutcome::kSaved : CloseOutcome::kSaveFailed;
    }
    document_.Close();
    DeleteTemporaryFiles();
    return saved_ ? CloseOutcome::kSaved : CloseOutcome::kDiscarded;
}

bool DictationSession::CloseKeepingTake() {
    Stop();
    // The take journal is already where the next start looks; it only has
    // to be left there.
    const bool kept = !HasUnsavedAudio() || KeepTake();
    if (!kept)
        qCWarning(lcDictation) << "The unsaved recording could not be kept";
    document_.Close();
    DeleteTemporaryFiles();
    return kept;
}

bool DictationSession::KeepTake() {
    document_.SetCaptureJournal(QString());
    if (document_.journal_failed())
        journal_incomplete_ = true;
    if (journal_ && !journal_incomplete_ && journal_->Sync()) {
        journal_.reset();  // lets the lock go; the files stay
        return true;
    }
    // No journal, or one that missed audio: the whole recording as it
    // stands becomes the take.
    std::unique_ptr<TakeJournal> broken = std::move(journal_);
    if (!StartJournal(true) || !journal_->Sync()) {
        if (journal_) {
            journal_->Remove();
            journal_.reset();
        }
        broken.reset();  // its files stay: what they hold is better than nothing
        return false;
    }
    document_.SetCaptureJournal(QString());
    journal_.reset();
    if (broken)
        broken->Remove();
    return true;
}

void DictationSession::DeleteTemporaryFiles() {
    std::error_code error;
    for (std::string_view extension :
         {recordstore::kAudioMediaExtension, recordstore::kIndexMarksExtension,
          recordstore::kRecordLineExtension, recordstore::kAudioContainerExtension,
          kLowerPictureExtensions[0], kLowerPictureExtensions[1], kStoredPictureExtensions[0],
          kStoredPictureExtensions[1]}) {
        fs::remove(TempPath(extension), error);
    }
    // What an interrupted wave save leaves behind.
    fs::remove(target_.working_folder / "temp.xrw", error);
    if (journal_) {
        document_.SetCaptureJournal(QString());
        journal_->Remove();
        journal_.reset();
    }
}

}  // namespace kivo::dictation

namespace kivo::dictation {

int ReadRecordingQuality(const core::ProfileFile& profile, std::string_view section) {
    const std::string text = profile.Read(section, "RecQual");
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '3')
        return text[0] - '0';
    return 0;
}

}  // namespace kivo::dictation

namespace kivo::dictation {

int SliderSeconds(std::int64_t length_ms) {
    return static_cast<int>(std::max<std::int64_t>(1, length_ms / 1000));
}

}  // namespace kivo::dictation
