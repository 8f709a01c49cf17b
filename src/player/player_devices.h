// The three ways the message player plays an opened recording, as devices
// of its MarkedPlayback: the plain wave (WaveDocument), the wave with sound
// effects (EffectsPlayer) and a video (VideoPlayback). In all three a start
// at (or past) the end plays from the start again.
#pragma once

#include <cstdint>

#include "kivo/audio/effect_settings.h"
#include "kivo/audio/effects_player.h"
#include "kivo/audio/playback_device.h"
#include "kivo/audio/video_playback.h"
#include "kivo/audio/wave_document.h"

namespace kivo::player {

using audio::VideoPlayback;

class WaveDevice : public audio::PlaybackDevice {
public:
    explicit WaveDevice(audio::WaveDocument& document) : document_(document) {}

    std::int64_t length_ms() const override { return document_.length_ms(); }
    std::int64_t position_ms() const override { return document_.position_ms(); }
    bool PlayFrom(std::int64_t position_ms) override;
    void Halt() override { document_.Stop(); }
    void Place(std::int64_t position_ms) override { document_.Seek(position_ms); }

private:
    audio::WaveDocument& document_;
};

// Plays with `effects` (the session's settings, read at every start).
class EffectsDevice : public audio::PlaybackDevice {
public:
    EffectsDevice(audio::EffectsPlayer& player, const audio::EffectSet& effects)
        : player_(player), effects_(effects) {}

    std::int64_t length_ms() const override { return player_.length_ms(); }
    std::int64_t position_ms() const override { return player_.position_ms(); }
    bool PlayFrom(std::int64_t position_ms) override;
    void Halt() override { player_.StopDSound(); }
    void Place(std::int64_t position_ms) override { player_.SetPositionMs(position_ms); }

private:
    audio::EffectsPlayer& player_;
    const audio::EffectSet& effects_;
};

// The video's length is given by the session (the media's own once it has
// loaded, else the record line's); positions stay inside it.
class VideoDevice : public audio::PlaybackDevice {
public:
    explicit VideoDevice(VideoPlayback& video) : video_(video) {}

    void set_length_ms(std::int64_t length_ms) { length_ms_ = length_ms; }
    std::int64_t length_ms() const override { return length_ms_; }
    std::int64_t position_ms() const override;
    bool PlayFrom(std::int64_t position_ms) override;
    void Halt() override { video_.Pause(); }
    void Place(std::int64_t position_ms) override { video_.Seek(position_ms); }
    void StopAtStart() override { video_.Stop(); }

private:
    VideoPlayback& video_;
    std::int64_t length_ms_ = 0;
};

}  // namespace kivo::player
