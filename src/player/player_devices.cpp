// The message player's playback devices (see player_devices.h).
#include "player_devices.h"

#include <algorithm>

namespace kivo::player {

bool WaveDevice::PlayFrom(std::int64_t position_ms) {
    const std::int64_t from = position_ms >= length_ms() ? 0 : position_ms;
    document_.Stop();
    return document_.PlayFrom(from) == audio::kWaveOk;
}

bool EffectsDevice::PlayFrom(std::int64_t position_ms) {
    const std::int64_t from = position_ms >= length_ms() ? 0 : position_ms;
    player_.StopDSound();
    player_.SetEffects(effects_.data(), audio::kEffectCount);
    return player_.PlayFromMs(from) == audio::EffectsPlayer::kOk;
}

std::int64_t VideoDevice::position_ms() const {
    return std::clamp<std::int64_t>(video_.position_ms(), 0, length_ms_);
}

bool VideoDevice::PlayFrom(std::int64_t position_ms) {
    video_.Seek(position_ms >= length_ms_ ? 0 : position_ms);
    video_.Play();
    return true;
}

}  // namespace kivo::player
