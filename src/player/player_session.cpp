// Opening, playing and navigating one recording file.
#include "player_session.h"

#include <QDebug>
#include <QFileInfo>
#include <algorithm>

#include "kivo/audio/effect_render.h"
#include "player_texts.h"

namespace kivo::player {
namespace {

constexpr int kPositionRefreshMs = 100;

// The message player's transport: Stop returns to the start, Rewind forgets
// the current mark, a pause survives a move (resuming steps back nothing),
// and the mark commands do nothing without marks.
constexpr audio::MarkedPlaybackRules kPlayerRules{.stop_returns_to_start = true,
                                                  .rewind_forgets_current_mark = true,
                                                  .move_ends_pause = false,
                                                  .mark_commands_play_without_marks = false};

}  // namespace

PlayerSession::PlayerSession(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent),
      document_(backend),
      effects_player_(backend),
      video_playback_(RealSoundOutputExists(backend.name())),
      transport_(kPlayerRules,
                 audio::MarkTimes{
                     [this] { return static_cast<int>(marks().size()); },
                     [this](int row) { return marks()[static_cast<std::size_t>(row)].time_ms; }}) {
    position_timer_.setInterval(kPositionRefreshMs);
    connect(&position_timer_, &QTimer::timeout, this,
            [this] { emit positionChanged(position_ms()); });
    connect(&transport_, &audio::MarkedPlayback::stateChanged, this, [this] {
        if (is_playing())
            position_timer_.start();
        else
            position_timer_.stop();
        emit stateChanged();
    });
    connect(&transport_, &audio::MarkedPlayback::positionChanged, this,
            &PlayerSession::positionChanged);
    connect(&transport_, &audio::MarkedPlayback::positionJumped, this,
            &PlayerSession::positionJumped);
    connect(&transport_, &audio::MarkedPlayback::currentMarkChanged, this,
            &PlayerSession::currentMarkChanged);
    connect(&transport_, &audio::MarkedPlayback::startFailed, this,
            [this] { SetStatus(QString::fromLatin1(kUnableToPlay)); });

    const auto finished = [this] { transport_.DeviceFinished(); };
    connect(&document_, &audio::WaveDocument::playbackFinished, this, finished);
    connect(&effects_player_, &audio::EffectsPlayer::playbackFinished, this, finished);
    connect(&video_playback_, &VideoPlayback::finished, this, finished);
    connect(&effects_player_, &audio::EffectsPlayer::playbackFailed, this,
            [this](const QString& error) {
                transport_.DeviceFailed();
                SetStatus(error);
            });
    connect(&video_playback_, &VideoPlayback::ready, this, &PlayerSession::OnVideoReady);
    connect(&video_playback_, &VideoPlayback::failed, this, &PlayerSession::OnVideoFailed);
}

PlayerSession::~PlayerSession() {
    Close();
}

OpenResult PlayerSession::Open(const QString& recording_path) {
    Close();
    const OpenResult unpacked = recording_.Unpack(recording_path);
    if (unpacked != OpenResult::kOpened) {
        const QString reason = QString::fromLatin1(recording_.failure_reason());
        const OpenResult result = Fail(unpacked, recording_.failure_text());
        failure_reason_ = reason;
        return result;
    }
    open_ = true;
    video_ = recording_.is_video();
    effects_ = recording_.stored_effects().effects;
    SetStatus(recording_.record_status());

    if (video_) {
        // Until the media has loaded, the length is the one the record line
        // states; the media's own length replaces it (OnVideoReady).
        length_ms_ = recording_.stated_length_ms();
        video_playback_.Load(recording_.video_path());
        emit opened();
        emit positionChanged(0);
        return OpenResult::kOpened;
    }

    if (document_.Open(recording_.wave_path()) != audio::kWaveOk)
        return Fail(OpenResult::kUnplayable, kUnableToPlay);
    length_ms_ = document_.length_ms();
    transport_.SetDevice(&wave_device_);
    if (recording_.stored_effects().reverse)
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

void PlayerSession::Close() {
    const bool was_open = open_ || recording_.is_unpacked();
    transport_.SetDevice(nullptr);
    transport_.ResetCurrentMark();
    if (effects_mode_) {
        effects_player_.CleanDSound();
        effects_mode_ = false;
    }
    document_.Close();
    video_playback_.Unload();  // lets go of the media before its folder goes
    recording_.Remove();
    open_ = false;
    video_ = false;
    length_ms_ = 0;
    video_error_.clear();
    effects_ = audio::NeutralEffects();
    reverse_ = false;
    reversed_made_ = false;
    status_text_.clear();
    failure_reason_.clear();
    play_when_ready_ = false;
    if (was_open)
        emit closed();
}

std::int64_t PlayerSession::position_ms() const {
    return transport_.position_ms();
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
    if (from_ms < 0)
        transport_.Start();
    else
        transport_.PlayFrom(from_ms);
}

void PlayerSession::Pause() {
    transport_.Pause();
}

void PlayerSession::Stop() {
    transport_.Stop();
}

void PlayerSession::MoveTo(std::int64_t ms) {
    transport_.MoveTo(ms);
}

void PlayerSession::PlayMark(int index) {
    transport_.PlayMark(index);
}

void PlayerSession::PreviousMark() {
    transport_.PlayPreviousMark();
}

void PlayerSession::NextMark() {
    transport_.PlayNextMark();
}

void PlayerSession::Rewind() {
    transport_.Rewind();
}

void PlayerSession::BackTwoSeconds() {
    transport_.BackTwoSeconds();
}

bool PlayerSession::MakeReversedWave() {
    if (reversed_made_)
        return true;
    reversed_made_ = audio::ReverseWaveFile(recording_.wave_path().toUtf8().toStdString(),
                                            recording_.reversed_wave_path().toUtf8().toStdString())
                         .ok();
    return reversed_made_;
}

QString PlayerSession::ActiveWavePath() const {
    return reverse_ && reversed_made_ ? recording_.reversed_wave_path() : recording_.wave_path();
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
    transport_.SetDevice(nullptr);  // the plain wave stops
    if (!InitEffectsPlayer()) {
        transport_.SetDevice(&wave_device_);
        SetStatus(QString::fromLatin1(kEffectsFailed));
        return false;
    }
    effects_mode_ = true;
    transport_.SetDevice(&effects_device_);
    emit positionChanged(0);
    return true;
}

void PlayerSession::LeaveEffectsMode() {
    if (!effects_mode_)
        return;
    BackToPlainWave();
    document_.SeekToStart();
    emit positionChanged(0);
}

void PlayerSession::BackToPlainWave() {
    transport_.SetDevice(nullptr);  // the effects player stops
    effects_player_.CleanDSound();
    effects_mode_ = false;
    transport_.SetDevice(&wave_device_);
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
        transport_.SetDevice(nullptr);
        effects_player_.CleanDSound();
        if (!InitEffectsPlayer()) {
            BackToPlainWave();
            SetStatus(QString::fromLatin1(kEffectsFailed));
            return false;
        }
        transport_.SetDevice(&effects_device_);
    }
    return true;
}

void PlayerSession::OnVideoReady(qint64 length_ms) {
    if (!open_ || !video_)
        return;
    if (length_ms > 0)
        length_ms_ = length_ms;
    video_device_.set_length_ms(length_ms_);
    transport_.SetDevice(&video_device_);
    emit mediaReady();
    emit stateChanged();  // it can play now
    emit positionChanged(0);
    if (play_when_ready_) {
        play_when_ready_ = false;
        transport_.Start();
    }
}

void PlayerSession::OnVideoFailed(const QString& reason) {
    if (!open_ || !video_)
        return;
    qWarning().noquote() << "kvmp: the video cannot be played:" << reason;
    video_error_ = reason;
    play_when_ready_ = false;
    transport_.SetDevice(nullptr);
    SetStatus(QString::fromLatin1(kUnableToPlay));
    emit stateChanged();
}

void PlayerSession::SetStatus(const QString& text) {
    if (text == status_text_)
        return;
    status_text_ = text;
    emit statusChanged(text);
}

void PlayerSession::playPause() {
    transport_.PlayPause();
}

void PlayerSession::play() {
    if (open_ && video_ && !video_playback_.is_ready() && video_error_.isEmpty()) {
        play_when_ready_ = true;  // a controller may ask before the media has loaded
        return;
    }
    transport_.Start();
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
    return transport_.status();
}

remote::PlaybackMetadata PlayerSession::metadata() const {
    remote::PlaybackMetadata metadata;
    if (!open_)
        return metadata;
    metadata.record_number = recording_.record_number().isEmpty()
                                 ? QFileInfo(recording_path()).completeBaseName()
                                 : recording_.record_number();
    metadata.title = recording_.subject();
    metadata.length_us = length_ms_ * 1000;
    return metadata;
}

remote::PlaybackCapabilities PlayerSession::capabilities() const {
    // A video still loading takes Play and starts once it has loaded.
    const bool playable = can_play() || (open_ && video_ && video_error_.isEmpty());
    const bool has_marks = playable && !marks().empty();
    return {playable, playable, playable, has_marks, has_marks};
}

void PlayerSession::command(int code) {
    if (!transport_.RunCommand(code))
        qDebug().noquote() << "Default msg";
}

}  // namespace kivo::player
