// EffectsPlayer: playback of a wave with sound effects and live speed, with
// the operations of the playback dialogs' effects mode.
//
//   InitDSound(wave, &speed, &minimum, &maximum)   load the wave; 0 on success
//   SetEffects(pairs, 8)                           the eight (on, value) pairs
//   PlayDSound(start_percent, pairs, 8)            play from a percentage of the
//                                                  length (kFromCurrentPosition:
//                                                  from where playback stopped)
//   GetPosn() / SetPosn(percent)                   position as a percentage
//   AdjEffects(index, value)                       change one value; returns the
//                                                  value applied (clamped)
//   StopDSound()                                   stop, keeping the position
//   CleanDSound()                                  stop and release the wave
//
// Effects (echo to reverb) are rendered with libsox a few seconds ahead on a
// worker thread; changing one restarts the rendering at the current position.
// Speed (index 0, a percentage, 50..200) changes the tempo without changing
// the pitch and applies at once, while playing. The speed control's range is
// kSpeedMinimum..kSpeedMaximum (49..201); the usable values lie one inside.
//
// Positions also come in milliseconds (position_ms, PlayFromMs,
// SetPositionMs) because a percentage of a long recording is coarse; while
// playing, positionChanged reports the position ten times a second.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "kivo/audio/effect_settings.h"
#include "kivo/sound/audio_backend.h"
#include "kivo/wavefile/pcm_format.h"

namespace kivo::audio {

class EffectsPlayer : public QObject {
    Q_OBJECT
public:
    // Results of InitDSound, PlayDSound and PlayFromMs.
    static constexpr int kOk = 0;
    static constexpr int kErrorCannotRead = 1;
    static constexpr int kErrorUnsupportedFormat = 2;
    static constexpr int kErrorNoDevice = 3;
    static constexpr int kErrorNotInitialised = 4;
    static constexpr int kFromCurrentPosition = -1;

    explicit EffectsPlayer(sound::AudioBackend& backend, QObject* parent = nullptr);
    ~EffectsPlayer() override;

    int InitDSound(const QString& wave_path, int* current_speed, int* minimum_speed,
                   int* maximum_speed);
    int PlayDSound(int start_percent, const EffectPair* effects, int count);
    int SetEffects(const EffectPair* effects, int count);
    void StopDSound();
    void CleanDSound();
    int GetPosn() const;
    void SetPosn(int percent);
    int AdjEffects(int index, int value);

    int PlayFromMs(std::int64_t position_ms);
    void SetPositionMs(std::int64_t position_ms);
    std::int64_t position_ms() const;
    std::int64_t length_ms() const;

    bool is_initialised() const { return pcm_ != nullptr; }
    bool is_playing() const { return output_ != nullptr; }
    const EffectSet& effects() const { return effects_; }
    int speed_percent() const { return speed_percent_; }
    const QString& last_error() const { return last_error_; }

signals:
    void positionChanged(qint64 position_ms);
    // Playback reached the end of the wave.
    void playbackFinished();
    // The device or the effects failed; playback has stopped.
    void playbackFailed(const QString& error);

private:
    class Pipeline;

    int StartSegment(std::int64_t start_frame);
    void StopSegment();
    std::int64_t position_frames() const;
    std::int64_t length_frames() const;
    void SetPositionFrames(std::int64_t frame);
    void OnSegmentFinished();
    void OnSegmentFailed(const QString& error);

    sound::AudioBackend& backend_;
    std::shared_ptr<const std::vector<std::uint8_t>> pcm_;
    wavefile::PcmFormat format_;
    EffectSet effects_ = NeutralEffects();
    int speed_percent_ = kSpeedNormal;
    std::int64_t position_frame_ = 0;
    std::int64_t segment_start_frame_ = 0;
    QString last_error_;
    QTimer position_timer_;

    std::unique_ptr<Pipeline> pipeline_;
    struct StreamDeleter {
        void operator()(QObject* stream) const;
    };
    std::unique_ptr<sound::AudioOutputStream, StreamDeleter> output_;
};

}  // namespace kivo::audio
