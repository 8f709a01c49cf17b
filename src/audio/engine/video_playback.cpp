// Video playback through QMediaPlayer.
#include "kivo/audio/video_playback.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>
#include <algorithm>

namespace kivo::audio {

VideoPlayback::VideoPlayback(bool with_sound, QObject* parent)
    : QObject(parent), player_(new QMediaPlayer(this)) {
    if (with_sound) {
        sound_ = new QAudioOutput(QMediaDevices::defaultAudioOutput(), this);
        player_->setAudioOutput(sound_);
    }
    connect(player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) { OnStatusChanged(status); });
    connect(player_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString& text) {
                if (error != QMediaPlayer::NoError)
                    Fail(text);
            });
}

VideoPlayback::~VideoPlayback() {
    // The player may still call back while it is torn down.
    player_->disconnect(this);
}

void VideoPlayback::Load(const QString& media_path) {
    Unload();
    player_->setSource(QUrl::fromLocalFile(media_path));
}

void VideoPlayback::Unload() {
    ready_ = false;
    reported_failure_ = false;
    player_->stop();
    player_->setSource(QUrl());
}

void VideoPlayback::OnStatusChanged(int status) {
    switch (static_cast<QMediaPlayer::MediaStatus>(status)) {
        case QMediaPlayer::LoadedMedia:
            if (!ready_ && !reported_failure_ && !player_->source().isEmpty()) {
                ready_ = true;
                emit ready(player_->duration());
            }
            break;
        case QMediaPlayer::EndOfMedia:
            emit finished();
            break;
        case QMediaPlayer::InvalidMedia:
            Fail(player_->errorString());
            break;
        default:
            break;
    }
}

void VideoPlayback::Fail(const QString& text) {
    // The error and the media status both report a bad file: say it once.
    if (reported_failure_)
        return;
    reported_failure_ = true;
    ready_ = false;
    emit failed(text.isEmpty() ? QStringLiteral("the video cannot be decoded") : text);
}

void VideoPlayback::Play() {
    if (ready_)
        player_->play();
}

void VideoPlayback::Pause() {
    if (ready_)
        player_->pause();
}

void VideoPlayback::Stop() {
    if (!ready_)
        return;
    player_->stop();
    // At the end of the media the player has stopped by itself and stays
    // at the end; back to the start either way.
    if (player_->position() != 0)
        player_->setPosition(0);
}

void VideoPlayback::Seek(std::int64_t ms) {
    if (ready_)
        player_->setPosition(std::max<std::int64_t>(0, ms));
}

std::int64_t VideoPlayback::position_ms() const {
    return ready_ ? player_->position() : 0;
}

bool VideoPlayback::is_playing() const {
    return ready_ && player_->playbackState() == QMediaPlayer::PlayingState;
}

std::int64_t VideoPlayback::length_ms() const {
    return ready_ ? player_->duration() : 0;
}

void VideoPlayback::SetVideoOutput(QObject* output) {
    player_->setVideoOutput(output);
}

bool RealSoundOutputExists(const QString& audio_backend_name) {
    return audio_backend_name != QLatin1String("virtual") &&
           !QMediaDevices::audioOutputs().isEmpty();
}

}  // namespace kivo::audio
