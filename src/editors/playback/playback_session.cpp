// PlaybackSession: loading a stored recording, the transport, marks and the
// save path back into the data store (see playback_session.h).
#include "kivo/playback/playback_session.h"

#include <QDebug>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "kivo/audio/effect_render.h"
#include "kivo/core/data_store_session.h"
#include "kivo/encoding/compressed_wave.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/text_file_bytes.h"
#include "kivo/remote/playback_command.h"

namespace kivo::playback {

Q_LOGGING_CATEGORY(lcPlayback, "kivo.playback")

namespace {

// A container name from a record line is untrusted: it must be a plain file
// name ending in ".xrz", so nothing is read or written outside the folder.
bool IsSafeContainerName(const std::string& name) {
    if (name.size() <= 4 || name.size() > 255 || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos ||
        name.front() == '.')
        return false;
    std::string extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == recordstore::kAudioContainerExtension;
}

// What the dialog shows of the record line: the subject and when the
// recording was made; all empty when the line cannot be read.
struct RecordLineFacts {
    QString subject;
    QString start_date;
    QString start_time;
};

RecordLineFacts FactsOfRecordLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(recordstore::kRecordLineBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::Parse(bytes, &line).ok())
        return {};
    auto field = [&line](int number) {
        return QString::fromStdString(line.DisplayField(number)).trimmed();
    };
    return {field(recordstore::record_field::kSubject),
            field(recordstore::record_field::kStartDate),
            field(recordstore::record_field::kStartTime)};
}

// A text member extracted beside the recording, as shown: at most
// kShownTextLimitBytes of it, decoded for the screen. Empty when missing.
QString ShownText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string bytes(kShownTextLimitBytes + 4, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    const bool more_follows = in.peek() != std::ifstream::traits_type::eof();
    return QString::fromStdString(
        recordstore::DecodeTextFileBytes(bytes, kShownTextLimitBytes, more_follows).utf8);
}

QString WaveError(int code, const audio::WaveDocument& document) {
    QString text = audio::WaveDocument::ErrorText(code);
    if (!document.last_error_detail().isEmpty())
        text += QStringLiteral(" (%1)").arg(document.last_error_detail());
    return text;
}

}  // namespace

std::string MarkTimeStamp(std::int64_t position_ms) {
    return recordstore::CappedDurationText(position_ms, kMarkTimeStampMaxHours);
}

std::int64_t MarkPositionMs(const recordstore::IndexMark& mark) {
    return recordstore::ParseDurationMilliseconds(mark.time_stamp).value_or(0);
}

// The player's position in the recording's time; starting a play notes the
// clock texts the dialog shows.
class PlaybackSession::PlayerDevice : public audio::PlaybackDevice {
public:
    explicit PlayerDevice(PlaybackSession& session) : session_(session) {}

    std::int64_t length_ms() const override { return session_.player_.length_ms(); }
    std::int64_t position_ms() const override {
        return session_.ToPlayer(session_.player_.position_ms());
    }
    bool PlayFrom(std::int64_t position_ms) override {
        audio::EffectsPlayer& player = session_.player_;
        if (player.is_playing())
            player.StopDSound();
        player.SetPositionMs(
            std::clamp<std::int64_t>(session_.ToPlayer(position_ms), 0, player.length_ms()));
        const audio::EffectSet effects = session_.PlayedEffects();
        if (player.PlayDSound(audio::EffectsPlayer::kFromCurrentPosition, effects.data(),
                              audio::kEffectCount) != audio::EffectsPlayer::kOk)
            return false;
        const recordstore::LocalDateTime now = recordstore::CurrentLocalTime();
        session_.play_clock_time_ = QString::fromStdString(recordstore::FormatTimeText(now));
        session_.play_clock_date_ = QString::fromStdString(recordstore::FormatDateText(now));
        session_.play_log_date_ =
            session_.play_clock_date_ + QLatin1Char(' ') + session_.play_clock_time_;
        return true;
    }
    void Halt() override { session_.player_.StopDSound(); }
    void Place(std::int64_t position_ms) override {
        session_.player_.SetPositionMs(session_.ToPlayer(position_ms));
    }
    bool plays_backwards() const override { return session_.player_reversed_; }

private:
    PlaybackSession& session_;
};

namespace {

// The dialog's transport: Stop keeps the position, a move while paused ends
// the pause (so resuming does not step back from the new place), and the
// remote "previous" and "next" play even when there are no marks.
constexpr audio::MarkedPlaybackRules kDialogRules{.stop_returns_to_start = false,
                                                  .rewind_forgets_current_mark = false,
                                                  .move_ends_pause = true,
                                                  .mark_commands_play_without_marks = true};

}  // namespace

PlaybackSession::PlaybackSession(sound::AudioBackend& backend, core::DataStoreSession& store,
                                 QObject* parent)
    : QObject(parent),
      player_(backend),
      player_device_(std::make_unique<PlayerDevice>(*this)),
      transport_(kDialogRules,
                 audio::MarkTimes{[this] { return static_cast<int>(marks_.size()); },
                                  [this](int row) {
                                      return MarkPositionMs(marks_[static_cast<std::size_t>(row)]);
                                  }}),
      document_(backend),
      store_(store),
      saver_(store) {
    transport_.SetResumeRewindMs(kDefaultResumeRewindMs);
    connect(&transport_, &audio::MarkedPlayback::stateChanged, this,
            &PlaybackSession::stateChanged);
    connect(&transport_, &audio::MarkedPlayback::positionChanged, this,
            &PlaybackSession::positionChanged);
    connect(&transport_, &audio::MarkedPlayback::positionJumped, this,
            [this](qint64 position_ms) { emit positionJumped(position_ms * 1000); });
    connect(&transport_, &audio::MarkedPlayback::currentMarkChanged, this,
            &PlaybackSession::currentMarkChanged);
    connect(&transport_, &audio::MarkedPlayback::startFailed, this,
            [this] { error_ = player_.last_error(); });
    connect(&player_, &audio::EffectsPlayer::positionChanged, this,
            [this](qint64 player_ms) { emit positionChanged(ToPlayer(player_ms)); });
    connect(&player_, &audio::EffectsPlayer::playbackFinished, this,
            &PlaybackSession::OnPlaybackFinished);
    connect(&player_, &audio::EffectsPlayer::playbackFailed, this, [this](const QString& error) {
        error_ = error;
        transport_.DeviceFailed();
    });
    // While inserting, the position is the end of what has been recorded.
    insert_timer_.setInterval(100);
    connect(&insert_timer_, &QTimer::timeout, this,
            [this] { emit positionChanged(document_.position_ms()); });
    connect(&document_, &audio::WaveDocument::deviceFailed, this, [this](const QString& error) {
        // What was recorded until the failure is kept and joined in.
        error_ = error;
        if (is_inserting())
            StopPlaying();
    });
}

void PlaybackSession::SetMessageReporter(core::MessageReporter* reporter) {
    reporter_ = reporter != nullptr ? reporter : &fallback_reporter_;
}

PlaybackSession::State PlaybackSession::state() const {
    if (inserting_)
        return State::kInserting;
    switch (transport_.state()) {
        case audio::MarkedPlayback::State::kPlaying:
            return State::kPlaying;
        case audio::MarkedPlayback::State::kPaused:
            return State::kPaused;
        case audio::MarkedPlayback::State::kStopped:
            break;
    }
    return State::kStopped;
}

std::int64_t PlaybackSession::position_ms() const {
    if (is_inserting())
        return document_.position_ms();
    return ToPlayer(player_.position_ms());
}

std::int64_t PlaybackSession::length_ms() const {
    if (is_inserting())
        return document_.length_ms();
    return player_.length_ms();
}

std::int64_t PlaybackSession::ToPlayer(std::int64_t position_ms) const {
    // Reversing maps position p to length - p, and back again.
    return player_reversed_ ? std::max<std::int64_t>(0, player_.length_ms() - position_ms)
                            : position_ms;
}

std::string PlaybackSession::ReversedName() const {
    return BaseName() + "-reversed.wav";
}

bool PlaybackSession::InitPlayer(bool reversed) {
    std::string path = MemberPath(recordstore::kAudioMediaExtension);
    if (reversed) {
        // Made before the player lets go of the current wave, so a failure
        // leaves playback as it was.
        const std::string reversed_path = WorkPath(ReversedName());
        const wavefile::WaveStatus made = audio::ReverseWaveFile(path, reversed_path);
        if (!made.ok()) {
            error_ = tr("The recording could not be reversed: %1")
                         .arg(QString::fromStdString(made.message()));
            return false;
        }
        path = reversed_path;
    }
    int speed = 0;
    int minimum = 0;
    int maximum = 0;
    if (player_.InitDSound(QString::fromStdString(path), &speed, &minimum, &maximum) !=
        audio::EffectsPlayer::kOk) {
        error_ = player_.last_error();
        return false;
    }
    player_.AdjEffects(audio::kEffectSpeed, speed_percent());
    player_reversed_ = reversed;
    return true;
}

bool PlaybackSession::UpdatePlayerDirection() {
    const bool wanted = effects_enabled_ && reverse_;
    if (!has_recording() || wanted == player_reversed_)
        return true;
    const std::int64_t at = position_ms();
    const bool was_playing = is_playing();
    if (!InitPlayer(wanted)) {
        if (!has_recording())
            transport_.SetDevice(nullptr);
        return false;
    }
    if (was_playing) {
        transport_.PlayFrom(at);
    } else {
        player_.SetPositionMs(ToPlayer(at));
    }
    return true;
}

bool PlaybackSession::ReverseAvailable() {
    return audio::EffectsLibraryAvailable();
}

bool PlaybackSession::SetReverse(bool reverse) {
    if (reverse_ == reverse)
        return true;
    reverse_ = reverse;
    if (!UpdatePlayerDirection()) {
        reverse_ = !reverse;
        return false;
    }
    return true;
}

PlaybackSession::~PlaybackSession() {
    Unload();
}

bool PlaybackSession::Begin(std::vector<PlaybackItem> queue) {
    queue_.assign(queue.begin(), queue.end());
    return LoadNext();
}

bool PlaybackSession::LoadNext() {
    while (!queue_.empty()) {
        const PlaybackItem item = queue_.front();
        queue_.pop_front();
        if (Load(item))
            return true;
        if (queue_.empty())
            return false;
        qCWarning(lcPlayback) << "Skipping recording" << item.record_number << ":" << error_;
    }
    return false;
}

std::string PlaybackSession::WorkPath(const std::string& name) const {
    return (store_.working_folder() / name).string();
}

std::string PlaybackSession::MemberPath(std::string_view extension) const {
    return WorkPath(BaseName() + std::string(extension));
}

std::string PlaybackSession::BaseName() const {
    return item_.container_name.substr(0, item_.container_name.rfind('.'));
}

bool PlaybackSession::Load(const PlaybackItem& item) {
    Unload();
    error_.clear();
    if (!IsSafeContainerName(item.container_name)) {
        error_ = tr("The record names no recording that can be played.");
        return false;
    }
    if (!saver_.bound()) {
        error_ = tr("The data store of the recording is no longer open.");
        return false;
    }
    const recordstore::RecordingContainer container(item.container_name,
                                                    recordstore::MediaKind::kAudio);
    if (container.OpenFromStore(store_.working_folder().string(), store_.store_path().string(),
                                static_cast<int>(recordstore::MemberSelector::kDefault)) !=
        recordstore::ContainerResult::kDone) {
        error_ = tr("The recording %1 could not be read from the data store.")
                     .arg(QString::fromStdString(item.container_name));
        return false;
    }
    // A recording compressed for the mail (and imported so) is expanded
    // into a plain wave before it plays.
    const std::string base = item.container_name.substr(0, item.container_name.rfind('.'));
    if (std::string why; !encoding::ExpandCompressedWaveInPlace(
            WorkPath(base + std::string(recordstore::kAudioMediaExtension)), &why)) {
        error_ = tr("The compressed recording %1 could not be expanded: %2")
                     .arg(QString::fromStdString(item.container_name), QString::fromStdString(why));
        return false;
    }
    item_ = item;
    if (!InitPlayer(false)) {
        const QString why = error_;
        Unload();
        error_ = why;
        return false;
    }
    if (effects_enabled_ && reverse_ && !InitPlayer(true))
        qCWarning(lcPlayback) << "Playing forwards:" << error_;
    AttachPlayer();

    recordstore::IndexMarkRead read;
    if (recordstore::ReadIndexMarkFile(MemberPath(recordstore::kIndexMarksExtension), &read).ok())
        marks_ = std::move(read.marks);
    transport_.ResetCurrentMark();
    marks_changed_ = false;
    audio_changed_ = false;
    RecordLineFacts facts = FactsOfRecordLine(MemberPath(recordstore::kRecordLineExtension));
    subject_ = std::move(facts.subject);
    recorded_date_ = std::move(facts.start_date);
    recorded_time_ = std::move(facts.start_time);
    LoadTranslationTexts(container);
    emit recordingLoaded();
    emit marksChanged();
    emit positionChanged(0);
    return true;
}

void PlaybackSession::LoadTranslationTexts(const recordstore::RecordingContainer& container) {
    original_text_.clear();
    translated_text_.clear();
    if (container.ExtractTexts(store_.working_folder().string()) !=
        recordstore::ContainerResult::kDone)
        return;
    original_text_ = ShownText(MemberPath(recordstore::kOriginalTextExtension));
    translated_text_ = ShownText(MemberPath(recordstore::kTranslatedTextExtension));
}

void PlaybackSession::Unload() {
    if (item_.container_name.empty())
        return;
    transport_.SetDevice(nullptr);
    insert_timer_.stop();
    inserting_ = false;
    document_.Close();
    player_.CleanDSound();
    player_reversed_ = false;
    audio_changed_ = false;
    insert_mark_row_ = -1;
    std::error_code ignored;
    for (std::string_view extension :
         {recordstore::kAudioMediaExtension, recordstore::kIndexMarksExtension,
          recordstore::kRecordLineExtension, recordstore::kOriginalTextExtension,
          recordstore::kTranslatedTextExtension})
        std::filesystem::remove(MemberPath(extension), ignored);
    std::filesystem::remove(WorkPath(ReversedName()), ignored);
    std::filesystem::remove(WorkPath(item_.container_name), ignored);
    item_ = {};
    marks_.clear();
    transport_.ResetCurrentMark();
    subject_.clear();
    recorded_date_.clear();
    recorded_time_.clear();
}

void PlaybackSession::AttachPlayer() {
    if (has_recording())
        transport_.SetDevice(player_device_.get());
}

audio::EffectSet PlaybackSession::PlayedEffects() const {
    if (effects_enabled_)
        return effects_;
    audio::EffectSet plain = audio::NeutralEffects();
    plain[audio::kEffectSpeed] = effects_[audio::kEffectSpeed];
    return plain;
}

void PlaybackSession::Start() {
    if (!is_inserting())
        transport_.Start();
}

void PlaybackSession::Pause() {
    transport_.Pause();
}

void PlaybackSession::StopPlaying() {
    if (is_inserting()) {
        StopInsert();
        return;
    }
    transport_.Stop();
}

void PlaybackSession::RewindToStart() {
    if (is_inserting())
        StopInsert();
    transport_.Rewind();
}

void PlaybackSession::FastForward() {
    StopPlaying();
    transport_.MoveTo(length_ms());
}

void PlaybackSession::RewindTwoSeconds() {
    transport_.BackTwoSeconds();
}

void PlaybackSession::SeekMs(std::int64_t position_ms) {
    transport_.MoveTo(position_ms);
}

void PlaybackSession::NextMark() {
    transport_.NextMark();
}

void PlaybackSession::PreviousMark() {
    transport_.PreviousMark();
}

int PlaybackSession::SetSpeedPercent(int percent) {
    int applied = audio::ClampEffectValue(audio::kEffectSpeed, percent);
    if (has_recording())
        applied = player_.AdjEffects(audio::kEffectSpeed, applied);
    effects_[audio::kEffectSpeed] = audio::EffectPair{1, applied};
    return applied;
}

void PlaybackSession::SetEffectsEnabled(bool enabled) {
    if (effects_enabled_ == enabled)
        return;
    // Inserting works on the plain wave: the effects end an insertion.
    if (enabled && is_inserting())
        StopInsert();
    effects_enabled_ = enabled;
    const bool was_reversed = player_reversed_;
    if (!UpdatePlayerDirection())
        qCWarning(lcPlayback) << "Playing forwards:" << error_;
    if (player_reversed_ == was_reversed && is_playing())
        transport_.PlayFrom(position_ms());
}

void PlaybackSession::SetEffect(int index, bool on, int value) {
    if (index == audio::kEffectSpeed) {
        SetSpeedPercent(value);
        return;
    }
    if (index <= 0 || index >= audio::kEffectCount)
        return;
    effects_[static_cast<std::size_t>(index)] =
        audio::EffectPair{on ? 1 : 0, audio::ClampEffectValue(index, value)};
    if (effects_enabled_ && is_playing())
        transport_.PlayFrom(position_ms());
}

void PlaybackSession::SetResumeRewindMs(std::int64_t rewind_ms) {
    transport_.SetResumeRewindMs(rewind_ms);
}

int PlaybackSession::InsertMark(std::int64_t at_ms, const char* comment,
                                recordstore::IndexMarkType type, bool before_equal) {
    if (marks_.size() >= recordstore::kMaxIndexMarks)
        return -1;
    recordstore::IndexMark mark = recordstore::MakeIndexMark(MarkTimeStamp(at_ms), comment, type);
    // Marks stay in time order so that Next and Previous walk forwards and back.
    auto place = std::find_if(marks_.begin(), marks_.end(), [&](const auto& other) {
        const std::int64_t other_ms = MarkPositionMs(other);
        return before_equal ? other_ms >= at_ms : other_ms > at_ms;
    });
    // "insert end" always follows its "insert start".
    if (type == recordstore::IndexMarkType::kInsertEnd && insert_mark_row_ >= 0)
        place = std::max(place, marks_.begin() + insert_mark_row_ + 1);
    const int row = static_cast<int>(place - marks_.begin());
    marks_.insert(place, std::move(mark));
    transport_.MarkInserted(row);
    marks_changed_ = true;
    return row;
}

int PlaybackSession::AddMark(const std::string& comment) {
    if (!has_recording() || is_inserting())
        return -1;
    // An empty comment would leave the entry's type where its comment belongs.
    const std::string text = comment.find_first_not_of(' ') == std::string::npos ? "mark" : comment;
    const int row = InsertMark(position_ms(), text.c_str(), recordstore::IndexMarkType::kUser,
                               /*before_equal=*/false);
    if (row >= 0)
        emit marksChanged();
    return row;
}

bool PlaybackSession::StartInsert() {
    if (!has_recording() || effects_enabled_ || is_inserting())
        return false;
    const std::int64_t at_ms = position_ms();
    // While recording, the transport has nothing to play.
    transport_.SetDevice(nullptr);
    // The document is opened on the first insertion and kept: it holds the
    // recording as edited so far.
    int result = audio::kWaveOk;
    if (!document_.is_open())
        result =
            document_.Open(QString::fromStdString(MemberPath(recordstore::kAudioMediaExtension)));
    if (result == audio::kWaveOk)
        result = document_.Seek(std::clamp<std::int64_t>(at_ms, 0, document_.length_ms()));
    const std::int64_t start_ms = document_.position_ms();
    if (result == audio::kWaveOk)
        result = document_.Record(audio::WaveDocument::RecordMode::kInsert);
    if (result != audio::kWaveOk) {
        error_ = WaveError(result, document_);
        qCWarning(lcPlayback) << "Recording did not start:" << error_;
        AttachPlayer();
        FailInsert();
        return false;
    }
    insert_start_ms_ = start_ms;
    // Before any mark at the same time: those move with the insertion.
    insert_mark_row_ = InsertMark(start_ms, kInsertStartComment,
                                  recordstore::IndexMarkType::kInsertStart, /*before_equal=*/true);
    inserting_ = true;
    emit stateChanged();
    insert_timer_.start();
    emit marksChanged();
    emit positionChanged(start_ms);
    return true;
}

void PlaybackSession::FailInsert() {
    reporter_->ReportMessage(kMessageCannotRecord, core::kStyleExclamation);
    emit closeRequested();
}

void PlaybackSession::StopInsert() {
    insert_timer_.stop();
    document_.Stop();
    const std::int64_t end_ms = document_.position_ms();
    const std::int64_t span_ms = end_ms - insert_start_ms_;
    // Marks at or after the insertion point move by the inserted span.
    for (int row = 0; row < static_cast<int>(marks_.size()); ++row) {
        recordstore::IndexMark& mark = marks_[static_cast<std::size_t>(row)];
        const std::int64_t mark_ms = MarkPositionMs(mark);
        if (row != insert_mark_row_ && span_ms > 0 && mark_ms >= insert_start_ms_)
            mark.time_stamp = MarkTimeStamp(mark_ms + span_ms);
    }
    InsertMark(end_ms, kInsertEndComment, recordstore::IndexMarkType::kInsertEnd,
               /*before_equal=*/true);
    insert_mark_row_ = -1;
    if (span_ms > 0)
        audio_changed_ = true;
    // The player takes the edited recording, placed after the insertion.
    const int saved = document_.Save();
    if (saved != audio::kWaveOk) {
        error_ = WaveError(saved, document_);
        qCWarning(lcPlayback) << "The edited recording could not be written:" << error_;
    } else if (InitPlayer(false)) {
        player_.SetPositionMs(end_ms);
    }
    inserting_ = false;
    AttachPlayer();
    emit stateChanged();
    emit marksChanged();
    emit positionChanged(end_ms);
}

bool PlaybackSession::ConfirmDiscard() {
    if (is_inserting())
        StopInsert();
    if (!audio_changed_)
        return true;
    if (reporter_->ReportMessage(kMessageUnsavedRecording, core::kStyleQuestion) !=
        core::kAnswerYes) {
        qCDebug(lcPlayback) << "Inserted audio discarded";
        audio_changed_ = false;
        return true;
    }
    return Save() == kSaveOk;
}

bool PlaybackSession::AskToSaveChanges(bool* saved) {
    *saved = false;
    if (is_inserting())
        StopInsert();
    if (!audio_changed_ && !marks_changed_)
        return true;
    if (reporter_->ReportMessage(kMessageUnsavedRecording, core::kStyleQuestion) !=
        core::kAnswerYes) {
        qCDebug(lcPlayback) << "Changed marks and inserted audio discarded";
        audio_changed_ = false;
        marks_changed_ = false;
        return true;
    }
    *saved = Save() == kSaveOk;
    return *saved;
}

void PlaybackSession::RemoveMark(int row) {
    if (row < 0 || row >= static_cast<int>(marks_.size()) || is_inserting())
        return;
    marks_.erase(marks_.begin() + row);
    transport_.MarkRemoved(row);
    marks_changed_ = true;
    emit marksChanged();
}

std::optional<std::string> PlaybackSession::WriteInsertedAudio() {
    const int written =
        document_.Save(QString::fromStdString(MemberPath(recordstore::kAudioMediaExtension)));
    if (written != audio::kWaveOk) {
        error_ = WaveError(written, document_);
        return std::nullopt;
    }
    return recordstore::DurationText(document_.length_ms());
}

int PlaybackSession::Save() {
    if (!has_recording())
        return kSaveOk;
    if (is_inserting())
        StopInsert();
    PlaybackSaver::Changes changes{item_.record_number, item_.container_name, marks_, {}};
    if (audio_changed_) {
        changes.new_duration = WriteInsertedAudio();
        if (!changes.new_duration)
            return kSaveContainerFailed;
    }
    qCDebug(lcPlayback) << "Saving Kivo file to repository";
    const PlaybackSaver::Result saved = saver_.Save(changes);
    switch (saved.outcome) {
        case PlaybackSaver::Outcome::kSaved:
        case PlaybackSaver::Outcome::kIndexFailed:
            break;
        case PlaybackSaver::Outcome::kMarksNotWritten:
            error_ = QString::fromStdString(saved.detail);
            return kSaveContainerFailed;
        case PlaybackSaver::Outcome::kNotBound:
            error_ = tr("The data store of the recording is no longer open; nothing was saved.");
            return kSaveContainerFailed;
        case PlaybackSaver::Outcome::kMarksNotStored:
            error_ = tr("The index marks could not be saved into the data store.");
            return kSaveContainerFailed;
        case PlaybackSaver::Outcome::kAudioNotStored:
            error_ = tr("The recording could not be saved into the data store.");
            return kSaveContainerFailed;
    }
    audio_changed_ = false;
    qCDebug(lcPlayback) << "Kivo file saved to repository";
    if (saved.outcome == PlaybackSaver::Outcome::kIndexFailed) {
        error_ = tr("The record index could not be saved into the data store.");
        qCWarning(lcPlayback) << error_ << QString::fromStdString(saved.detail);
        return kSaveIndexFailed;
    }
    if (saved.without_index_entry)
        qCWarning(lcPlayback) << "The record index has no entry for" << item_.record_number;
    qCDebug(lcPlayback) << "Index updated";
    marks_changed_ = false;
    return kSaveOk;
}

void PlaybackSession::OnPlaybackFinished() {
    transport_.DeviceFinished();
    // Inserted audio that is not saved keeps its recording loaded.
    if (!queue_.empty() && !audio_changed_) {
        if (LoadNext())
            Start();
        return;
    }
    emit queueFinished();
}

void PlaybackSession::playPause() {
    if (is_playing())
        Pause();
    else
        Start();
}

void PlaybackSession::play() {
    Start();
}

void PlaybackSession::pause() {
    Pause();
}

void PlaybackSession::stop() {
    StopPlaying();
}

void PlaybackSession::next() {
    transport_.PlayNextMark();
}

void PlaybackSession::previous() {
    transport_.PlayPreviousMark();
}

void PlaybackSession::seek(qint64 offset_us) {
    SeekMs(position_ms() + offset_us / 1000);
}

void PlaybackSession::setPosition(qint64 position_us) {
    SeekMs(position_us / 1000);
}

qint64 PlaybackSession::position_us() const {
    return position_ms() * 1000;
}

remote::PlaybackStatus PlaybackSession::playbackStatus() const {
    return transport_.status();
}

remote::PlaybackMetadata PlaybackSession::metadata() const {
    remote::PlaybackMetadata data;
    if (!has_recording())
        return data;
    data.record_number = QString::number(item_.record_number);
    data.title = subject_;
    data.length_us = length_ms() * 1000;
    return data;
}

void PlaybackSession::command(int code) {
    qCDebug(lcPlayback).noquote() << QString::fromLatin1(
                                         remote::PlaybackCommandTraceLine(code).data(),
                                         static_cast<qsizetype>(
                                             remote::PlaybackCommandTraceLine(code).size()))
                                         .trimmed();
    RunCommand(code);
}

void PlaybackSession::RunCommand(int code) {
    // Rewind and Stop end an insertion; the other commands wait for its end.
    const auto command = remote::PlaybackCommandFromCode(code);
    if (is_inserting() && command &&
        (*command == remote::PlaybackCommand::Rewind || *command == remote::PlaybackCommand::Stop))
        StopInsert();
    transport_.RunCommand(code);
}

}  // namespace kivo::playback
