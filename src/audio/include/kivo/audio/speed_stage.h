// Live speed: a change of tempo without a change of pitch, through
// SoundTouch, tuned for speech. Feed it frames, take frames out; the speed
// may change at any moment and applies to what is fed from then on.
#pragma once

#include <cstddef>
#include <memory>

namespace soundtouch {
class SoundTouch;
}

namespace kivo::audio {

class SpeedStage {
public:
    SpeedStage();
    ~SpeedStage();
    SpeedStage(const SpeedStage&) = delete;
    SpeedStage& operator=(const SpeedStage&) = delete;

    // Starts afresh for this layout (drops anything inside).
    void Configure(int channels, int sample_rate_hz);
    // 100 is the normal speed; 150 plays one and a half times as fast.
    void SetSpeedPercent(int percent);
    int speed_percent() const { return speed_percent_; }

    // Interleaved float frames in.
    void Put(const float* frames, std::size_t count);
    // Up to `max_frames` interleaved float frames out; returns how many.
    std::size_t Receive(float* frames, std::size_t max_frames);
    // The input has ended: let the last frames out.
    void Flush();
    // Drops everything inside (after a jump).
    void Clear();

    // Source frames fed but not yet come out, in source frames.
    double pending_source_frames() const;
    std::size_t ready_frames() const;

private:
    std::unique_ptr<soundtouch::SoundTouch> touch_;
    int speed_percent_ = 100;
};

}  // namespace kivo::audio
