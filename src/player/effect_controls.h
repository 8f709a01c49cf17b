// How the effects panel shows and steps its values: the level bar range of
// each effect, the speed bar's percentage, and the speed spin's acceleration
// while an arrow is held.
#pragma once

#include <cstdint>

namespace kivo::player {

struct LevelRange {
    int minimum;
    int maximum;
};

// The level bar of an effect (audio::EffectIndex): speed 0..100 (percent of
// its usable range), echo 0..15, chorus 0..34, distortion 0..10, flanger
// 0..20, gargle 0..15, equalizer -8..8, reverb 0..15.
LevelRange LevelRangeOfEffect(int index);

// The speed bar for a speed value: where it lies in the usable range
// (one inside each end of the speed control's range), 0..100.
int SpeedLevelPercent(int speed);

// Step sizes of the speed spin while an arrow (or arrow key) is held: 1 at
// first, then 10, 100, 500 and 1000 per step after 2, 4, 6 and 8 seconds.
// Steps further apart than kHoldGapMs start a new hold, as does Release().
class SpinAcceleration {
public:
    static constexpr std::int64_t kHoldGapMs = 700;

    // The size of a step taken at now_ms (a steady clock).
    int Step(std::int64_t now_ms);
    // The arrow or key was let go.
    void Release() { holding_ = false; }

    static int StepAfter(std::int64_t held_ms);

private:
    bool holding_ = false;
    std::int64_t hold_start_ms_ = 0;
    std::int64_t last_step_ms_ = 0;
};

}  // namespace kivo::player
