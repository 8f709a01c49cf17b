// SoundTouch set up for speech (see speed_stage.h).
#include "kivo/audio/speed_stage.h"

#include <SoundTouch.h>

namespace kivo::audio {

namespace {

// Shorter sequences and windows than SoundTouch's music defaults: speech
// stays clear and the delay stays small.
constexpr int kSequenceMs = 40;
constexpr int kSeekWindowMs = 15;
constexpr int kOverlapMs = 8;

}  // namespace

SpeedStage::SpeedStage() : touch_(std::make_unique<soundtouch::SoundTouch>()) {}

SpeedStage::~SpeedStage() = default;

void SpeedStage::Configure(int channels, int sample_rate_hz) {
    touch_->clear();
    touch_->setChannels(static_cast<unsigned>(channels));
    touch_->setSampleRate(static_cast<unsigned>(sample_rate_hz));
    touch_->setSetting(SETTING_SEQUENCE_MS, kSequenceMs);
    touch_->setSetting(SETTING_SEEKWINDOW_MS, kSeekWindowMs);
    touch_->setSetting(SETTING_OVERLAP_MS, kOverlapMs);
    touch_->setSetting(SETTING_USE_QUICKSEEK, 1);
    touch_->setSetting(SETTING_USE_AA_FILTER, 0);
    touch_->setTempo(speed_percent_ / 100.0);
}

void SpeedStage::SetSpeedPercent(int percent) {
    speed_percent_ = percent;
    touch_->setTempo(percent / 100.0);
}

void SpeedStage::Put(const float* frames, std::size_t count) {
    touch_->putSamples(frames, static_cast<unsigned>(count));
}

std::size_t SpeedStage::Receive(float* frames, std::size_t max_frames) {
    return touch_->receiveSamples(frames, static_cast<unsigned>(max_frames));
}

void SpeedStage::Flush() {
    touch_->flush();
}

void SpeedStage::Clear() {
    touch_->clear();
}

double SpeedStage::pending_source_frames() const {
    return touch_->numUnprocessedSamples() + touch_->numSamples() * (speed_percent_ / 100.0);
}

std::size_t SpeedStage::ready_frames() const {
    return touch_->numSamples();
}

}  // namespace kivo::audio
