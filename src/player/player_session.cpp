// Opening, playing and navigating one recording file.
#include "player_session.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "container_check.h"
#include "kivo/audio/effect_render.h"
#include "kivo/recordstore/record_line.h"
#include "player_texts.h"
#include "wave_decompression.h"
#include "xrsave.h"

namespace kivo::player {
namespace {

constexpr int kPositionRefreshMs = 100;
constexpr std::int64_t kBackStepMs = 2000;
// Fields 15 to 24 of the record line hold the stored sound effects.
constexpr int kFirstEffectField = 15;
constexpr int kStoredEffectFields = 10;

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

bool IsKnownKind(const QString& kind) {
    static const char* const kKinds[] = {"0",  "1",  "2",  "3",  "4",  "5", "9",
                                         "11", "12", "13", "14", "15", "16"};
    return std::any_of(std::begin(kKinds), std::end(kKinds),
                       [&](const char* known) { return kind == QLatin1String(known); });
}

}  // namespace

PlayerSession::PlayerSession(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent),
      backend_(backend),
      document_(backend),
      effects_player_(backend),
      video_playback_(RealSoundOutputExists(backend.name())) {
    position_timer_.setInterval(kPositionRefreshMs);
    connect(&position_timer_, &QTimer::timeout, this,
            [this] { emit positionChanged(position_ms()); });
    connect(&document_, &audio::WaveDocument::playbackFinished, this,
            &PlayerSession::OnPlaybackFinished);
    connect(&effects_player_, &audio::EffectsPlayer::playbackFinished, this,
            &PlayerSession::OnPlaybackFinished);
    connect(&effects_player_, &audio::EffectsPlayer::playbackFailed, this,
            [this](const QString& error) {
                SetPlaying(false, false);
                SetStatus(error);
            });
    connect(&video_playback_, &VideoPlayback::ready, this, &PlayerSession::OnVideoReady);
    connect(&video_playback_, &VideoPlayback::failed, this, &PlayerSession::OnVideoFailed);
    connect(&video_playback_, &VideoPlayback::finished, this, &PlayerSession::OnPlaybackFinished);
}

PlayerSession::~PlayerSession() {
    Close();
}

QString PlayerSession::temp_folder() const {
    return temp_dir_ ? temp_dir_->path() : QString();
}

OpenResult PlayerSession::Open(const QString& recording_path) {
    Close();
    const QFileInfo file(recording_path);
    recording_path_ = file.absoluteFilePath();
    video_ = file.suffix().compare(QLatin1String("xrv"), Qt::CaseInsensitive) == 0;

    const std::string container = Utf8(recording_path_);
    if (!file.isFile() || !ContainerLooksSound(container))
        return Fail(OpenResult::kCorrupt, kCorruptOrInUse);
    temp_dir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kvmp-XXXXXX"));
    if (!temp_dir_->isValid())
        return Fail(OpenResult::kCorrupt, kCorruptOrInUse);
    const std::string folder = Utf8(temp_dir_->path());
    const int unpacked = video_ ? XRMopenXRV(container.c_str(), folder.c_str())
                                : XRMopenXRZ(container.c_str(), folder.c_str());
    if (unpacked > 0)
        return Fail(OpenResult::kCorrupt, kCorruptOrInUse);

    // The components are named after the file: its name up to the last '.'.
    const QString stem = file.fileName().left(file.fileName().lastIndexOf(QLatin1Char('.')));
    const QString base = temp_dir_->path() + QLatin1Char('/') + stem;
    marks_ = LoadMarks(Utf8(base + QStringLiteral(".xrs")));
    ReadRecordLine(Utf8(base + QStringLiteral(".xrl")));
    open_ = true;

    if (video_) {
        // Until the media has loaded, the length is the one the record line
        // states; the media's own length replaces it (OnVideoReady).
        length_ms_ = std::max<std::int64_t>(0, ParseHms(duration_text_));
        FindPicture(Utf8(stem));
        video_playback_.Load(base + QStringLiteral(".wmv"));
        emit opened();
        emit positionChanged(0);
        return OpenResult::kOpened;
    }

    wave_path_ = base + QStringLiteral(".xrw");
    reversed_wave_path_ = base + QStringLiteral(".wbc");
    if (Zn2WavCheck(Utf8(wave_path_)) == 0) {
        const QString decompressed = temp_dir_->path() + QStringLiteral("/xrcomp.ogg");
        if (Zn2WavDeCompX(Utf8(wave_path_), Utf8(decompressed)) > 0)
            return Fail(OpenResult::kUnplayable, kUnableToPlay);
        QFile::remove(wave_path_);
        QFile::rename(decompressed, wave_path_);
    }
    if (document_.Open(wave_path_) != audio::kWaveOk)
        return Fail(OpenResult::kUnplayable, kUnableToPlay);
    length_ms_ = document_.length_ms();
    FindPicture(Utf8(stem));
    if (stored_effects_.reverse)
        reverse_ = MakeReversedWave();
    emit opened();
    emit positionChanged(0);
    return OpenResult::kOpened;
}

OpenResult PlayerSession::Fail(OpenResult result, const char* text) {
    Close();
    SetStatus(QString::fromLatin1(text));
    return result;
}

void PlayerSession::ReadRecordLine(const std::string& path) {
    recordstore::RecordLine line;
    QString status;
    if (!recordstore::RecordLine::ReadFile(path, &line).ok()) {
        SetStatus(QString::fromLatin1(kUnknownType));
        return;
    }
    kind_code_ = QString::fromUtf8(line.StoredField(recordstore::record_field::kKindCode));
    record_number_ = QString::fromUtf8(line.StoredField(recordstore::record_field::kRecordNumber));
    subject_ = QString::fromStdString(line.DisplayField(recordstore::record_field::kSubject));
    duration_text_ =
        QString::fromStdString(line.DisplayField(recordstore::record_field::kDuration));
    std::vector<std::string> stored;
    for (int n = kFirstEffectField; n < kFirstEffectField + kStoredEffectFields; ++n)
        stored.emplace_back(line.FieldText(n));
    stored_effects_ = audio::DecodeStoredEffects(stored);
    effects_ = stored_effects_.effects;

    if (stored_effects_.any_stored)
        status = QString::fromLatin1(kSavedEffects);
    if (stored_effects_.edited_marker && kind_code_ != QLatin1String("5"))
        status = QString::fromLatin1(kNotOriginal);
    if (kind_code_ == QLatin1String("5"))
        status = QString::fromLatin1(kNotOriginal);
    else if (!IsKnownKind(kind_code_))
        status = QString::fromLatin1(kUnknownType);
    SetStatus(status);
}

void PlayerSession::FindPicture(const std::string& stem) {
    bool gif = false;
    const std::string name = ContainerPictureName(Utf8(recording_path_), stem, &gif);
    if (name.empty())
        return;
    const QString path = temp_dir_->path() + QLatin1Char('/') + QString::fromStdString(name);
    if (!QFileInfo::exists(path)) {
        const std::string folder = Utf8(temp_dir_->path());
        if (ExtractFile(Utf8(recording_path_).c_str(), folder.c_str(), name.c_str()) != XR_OK)
            return;
    }
    picture_path_ = path;
    picture_type_ = gif ? PictureType::kGif : PictureType::kJpg;
}

void PlayerSession::Close() {
    const bool was_open = open_ || temp_dir_ != nullptr;
    if (effects_mode_) {
        effects_player_.StopDSound();
        effects_player_.CleanDSound();
        effects_mode_ = false;
    }
    document_.Stop();
    document_.Close();
    video_playback_.Unload();  // lets go of the media before its folder goes
    SetPlaying(false, false);
    temp_dir_.reset();  // removes the folder and everything unpacked into it
    open_ = false;
    video_ = false;
    wave_path_.clear();
    reversed_wave_path_.clear();
    length_ms_ = 0;
    kind_code_.clear();
    record_number_.clear();
    subject_.clear();
    duration_text_.clear();
    video_error_.clear();
    marks_.clear();
    current_mark_ = -1;
    picture_path_.clear();
    picture_type_ = PictureType::kNone;
    stored_effects_ = audio::StoredEffects{};
    effects_ = audio::NeutralEffects();
    reverse_ = false;
    reversed_made_ = false;
    status_text_.clear();
    if (was_open)
        emit closed();
}

std::int64_t PlayerSession::position_ms() const {
    if (!can_play())
        return 0;
    if (video_)
        return std::clamp<std::int64_t>(video_playback_.position_ms(), 0, length_ms_);
    return effects_mode_ ? effects_player_.position_ms() : document_.position_ms();
}

int PlayerSession::position_percent() const {
    if (length_ms_ <= 0)
        return can_play() ? 100 : 0;
    return static_cast<int>(std::clamp<std::int64_t>(position_ms() * 100 / length_ms_, 0, 100));
}

QString PlayerSession::PositionText() const {
    return player::PositionText(position_ms(), length_ms_);
}

void PlayerSession::Start(std::int64_t from_ms) {
    if (!can_play())
        return;
    const std::int64_t from =
        std::clamp<std::int64_t>(from_ms < 0 ? position_ms() : from_ms, 0, length_ms_);
    int result = 0;
    if (video_) {
        video_playback_.Seek(from >= length_ms_ ? 0 : from);
        video_playback_.Play();
    } else if (effects_mode_) {
        effects_player_.StopDSound();
        effects_player_.SetEffects(effects_.data(), audio::kEffectCount);
        result = effects_player_.PlayFromMs(from >= length_ms_ ? 0 : from);
    } else {
        document_.Stop();
        result = document_.PlayFrom(from >= length_ms_ ? 0 : from);
    }
    if (result != 0) {
        SetStatus(QString::fromLatin1(kUnableToPlay));
        SetPlaying(false, false);
        return;
    }
    SetPlaying(true, false);
}

void PlayerSession::Pause() {
    if (!playing_)
        return;
    if (video_)
        video_playback_.Pause();
    else if (effects_mode_)
        effects_player_.StopDSound();
    else
        document_.Stop();  // the position stays where playback was
    SetPlaying(false, true);
}

void PlayerSession::Stop() {
    if (!can_play())
        return;
    if (video_) {
        video_playback_.Stop();
    } else if (effects_mode_) {
        effects_player_.StopDSound();
        effects_player_.SetPositionMs(0);
    } else {
        document_.Stop();
        document_.SeekToStart();
    }
    SetPlaying(false, false);
    emit positionChanged(0);
}

void PlayerSession::MoveTo(std::int64_t ms) {
    if (!can_play())
        return;
    const std::int64_t target = std::clamp<std::int64_t>(ms, 0, length_ms_);
    if (playing_) {
        Start(target);
    } else if (video_) {
        video_playback_.Seek(target);
    } else if (effects_mode_) {
        effects_player_.SetPositionMs(target);
    } else {
        document_.Seek(target);
    }
    emit positionJumped(target);
    emit positionChanged(target);
}

void PlayerSession::PlayMark(int index) {
    if (!can_play() || index < 0 || index >= static_cast<int>(marks_.size()))
        return;
    SetCurrentMark(index);
    const std::int64_t target = std::min(marks_[index].time_ms, length_ms_);
    Start(target);
    emit positionJumped(target);
    emit positionChanged(target);
}

void PlayerSession::PreviousMark() {
    if (marks_.empty())
        return;
    PlayMark(current_mark_ < 0 ? 0 : std::max(0, current_mark_ - 1));
}

void PlayerSession::NextMark() {
    if (marks_.empty())
        return;
    PlayMark(std::min(static_cast<int>(marks_.size()) - 1, current_mark_ + 1));
}

void PlayerSession::Rewind() {
    Stop();
    SetCurrentMark(-1);
    emit positionJumped(0);
}

void PlayerSession::BackTwoSeconds() {
    if (!can_play())
        return;
    const std::int64_t target = std::max<std::int64_t>(0, position_ms() - kBackStepMs);
    Start(target);
    emit positionJumped(target);
    emit positionChanged(target);
}

bool PlayerSession::MakeReversedWave() {
    if (reversed_made_)
        return true;
    reversed_made_ = audio::ReverseWaveFile(Utf8(wave_path_), Utf8(reversed_wave_path_)).ok();
    return reversed_made_;
}

QString PlayerSession::ActiveWavePath() const {
    return reverse_ && reversed_made_ ? reversed_wave_path_ : wave_path_;
}

bool PlayerSession::InitEffectsPlayer() {
    int speed = 0;
    int minimum = 0;
    int maximum = 0;
    if (effects_player_.InitDSound(ActiveWavePath(), &speed, &minimum, &maximum) != 0) {
        effects_player_.CleanDSound();
        return false;
    }
    effects_player_.SetEffects(effects_.data(), audio::kEffectCount);
    return true;
}

bool PlayerSession::EnterEffectsMode() {
    if (!can_play() || !can_use_effects())
        return false;
    if (effects_mode_)
        return true;
    document_.Stop();
    SetPlaying(false, false);
    if (!InitEffectsPlayer()) {
        SetStatus(QString::fromLatin1(kEffectsFailed));
        return false;
    }
    effects_mode_ = true;
    emit positionChanged(0);
    return true;
}

void PlayerSession::LeaveEffectsMode() {
    if (!effects_mode_)
        return;
    effects_player_.StopDSound();
    effects_player_.CleanDSound();
    effects_mode_ = false;
    document_.SeekToStart();
    SetPlaying(false, false);
    emit positionChanged(0);
}

int PlayerSession::SetEffect(int index, bool on, int value) {
    if (index < 0 || index >= audio::kEffectCount)
        return 0;
    const int applied = audio::ClampEffectValue(index, value);
    effects_[index] = {index == audio::kEffectSpeed || on ? 1 : 0, applied};
    if (!effects_mode_)
        return applied;
    if (index == audio::kEffectSpeed || on)
        return effects_player_.AdjEffects(index, applied);
    effects_player_.SetEffects(effects_.data(), audio::kEffectCount);
    return applied;
}

bool PlayerSession::SetReverse(bool reverse) {
    if (!can_play() || !can_use_effects())
        return false;
    if (reverse && !MakeReversedWave())
        return false;
    if (reverse == reverse_)
        return true;
    reverse_ = reverse;
    if (effects_mode_) {
        effects_player_.StopDSound();
        effects_player_.CleanDSound();
        SetPlaying(false, false);
        if (!InitEffectsPlayer()) {
            effects_mode_ = false;
            SetStatus(QString::fromLatin1(kEffectsFailed));
            return false;
        }
    }
    return true;
}

void PlayerSession::OnPlaybackFinished() {
    if (video_) {
        video_playback_.Stop();
    } else if (effects_mode_) {
        effects_player_.StopDSound();
        effects_player_.SetPositionMs(0);
    } else {
        document_.SeekToStart();
    }
    SetPlaying(false, false);
    emit positionChanged(0);
}

void PlayerSession::OnVideoReady(qint64 length_ms) {
    if (!open_ || !video_)
        return;
    if (length_ms > 0)
        length_ms_ = length_ms;
    emit mediaReady();
    emit stateChanged();  // it can play now
    emit positionChanged(0);
}

void PlayerSession::OnVideoFailed(const QString& reason) {
    if (!open_ || !video_)
        return;
    qWarning().noquote() << "kvmp: the video cannot be played:" << reason;
    video_error_ = reason;
    SetPlaying(false, false);
    SetStatus(QString::fromLatin1(kUnableToPlay));
    emit stateChanged();
}

void PlayerSession::SetPlaying(bool playing, bool paused) {
    if (playing)
        position_timer_.start();
    else
        position_timer_.stop();
    if (playing == playing_ && paused == paused_)
        return;
    playing_ = playing;
    paused_ = paused;
    emit stateChanged();
}

void PlayerSession::SetStatus(const QString& text) {
    if (text == status_text_)
        return;
    status_text_ = text;
    emit statusChanged(text);
}

void PlayerSession::SetCurrentMark(int index) {
    if (index == current_mark_)
        return;
    current_mark_ = index;
    emit currentMarkChanged(index);
}

void PlayerSession::playPause() {
    if (playing_)
        Pause();
    else
        Start();
}

void PlayerSession::play() {
    if (!playing_)
        Start();
}

void PlayerSession::pause() {
    Pause();
}

void PlayerSession::stop() {
    Stop();
}

void PlayerSession::next() {
    NextMark();
}

void PlayerSession::previous() {
    PreviousMark();
}

void PlayerSession::seek(qint64 offset_us) {
    MoveTo(position_ms() + offset_us / 1000);
}

void PlayerSession::setPosition(qint64 position_us) {
    MoveTo(position_us / 1000);
}

remote::PlaybackStatus PlayerSession::playbackStatus() const {
    if (playing_)
        return remote::PlaybackStatus::Playing;
    return paused_ ? remote::PlaybackStatus::Paused : remote::PlaybackStatus::Stopped;
}

remote::PlaybackMetadata PlayerSession::metadata() const {
    remote::PlaybackMetadata metadata;
    if (!open_)
        return metadata;
    metadata.record_number =
        record_number_.isEmpty() ? QFileInfo(recording_path_).completeBaseName() : record_number_;
    metadata.title = subject_;
    metadata.length_us = length_ms_ * 1000;
    return metadata;
}

remote::PlaybackCapabilities PlayerSession::capabilities() const {
    const bool playable = can_play();
    const bool has_marks = playable && !marks_.empty();
    return {playable, playable, playable, has_marks, has_marks};
}

void PlayerSession::command(int code) {
    switch (code) {
        case 1:
            Rewind();
            break;
        case 2:
            BackTwoSeconds();
            break;
        case 3:
            PreviousMark();
            break;
        case 4:
            play();
            break;
        case 5:
            if (playing_)
                Stop();
            break;
        case 6:
            NextMark();
            break;
        default:
            qDebug().noquote() << "Default msg";
            break;
    }
}

}  // namespace kivo::player
