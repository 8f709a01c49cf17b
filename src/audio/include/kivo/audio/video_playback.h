// VideoPlayback: the video of an opened ".xrv" recording, played through Qt
// Multimedia (QMediaPlayer). Both players drive it (kvmp's PlayerSession and
// the main program's video player); a window only hands it a view (the
// video frame's QVideoSink) through SetVideoOutput.
//
// Loading is asynchronous: Load returns at once and ready() (with the
// media's own length) or failed() (with the backend's reason) follows.
// Sound goes to the system's default output only when constructed with
// sound; without it the video plays silently (the virtual audio backend of
// the tests has no device a media player could use).
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QAudioOutput;
class QMediaPlayer;

namespace kivo::audio {

class VideoPlayback : public QObject {
    Q_OBJECT
public:
    explicit VideoPlayback(bool with_sound, QObject* parent = nullptr);
    ~VideoPlayback() override;

    void Load(const QString& media_path);
    // Stops and forgets the media (its file may then be removed).
    void Unload();
    bool is_ready() const { return ready_; }
    void Play();
    void Pause();
    // Stops and returns to the start.
    void Stop();
    void Seek(std::int64_t ms);
    std::int64_t position_ms() const;
    std::int64_t length_ms() const;
    // Playing now (neither paused, stopped nor at the end).
    bool is_playing() const;
    bool has_sound_output() const { return sound_ != nullptr; }
    // The QVideoSink (or video widget) that shows the frames; nullptr for none.
    void SetVideoOutput(QObject* output);

signals:
    void ready(qint64 length_ms);
    void failed(const QString& reason);
    // Played to the end of the media.
    void finished();

private:
    void OnStatusChanged(int status);
    void Fail(const QString& text);

    QMediaPlayer* player_ = nullptr;
    QAudioOutput* sound_ = nullptr;
    bool ready_ = false;
    bool reported_failure_ = false;
};

// True when a media player's sound can go to a real output device: the
// player is not running on the virtual audio backend and the system lists
// an output device.
bool RealSoundOutputExists(const QString& audio_backend_name);

}  // namespace kivo::audio
