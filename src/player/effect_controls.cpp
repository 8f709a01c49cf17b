// Level bars and the speed spin's acceleration.
#include "effect_controls.h"

#include <algorithm>

#include "kivo/audio/effect_settings.h"

namespace kivo::player {

LevelRange LevelRangeOfEffect(int index) {
    if (index == audio::kEffectSpeed)
        return {0, 100};
    const audio::EffectRange range = audio::RangeOfEffect(index);
    return {range.minimum, range.maximum};
}

int SpeedLevelPercent(int speed) {
    const int lowest = audio::kSpeedMinimum + 1;
    const int span = audio::kSpeedMaximum - audio::kSpeedMinimum - 2;
    return std::clamp((speed - lowest) * 100 / span, 0, 100);
}

int SpinAcceleration::StepAfter(std::int64_t held_ms) {
    struct Stage {
        std::int64_t from_ms;
        int step;
    };
    static constexpr Stage kStages[] = {{8000, 1000}, {6000, 500}, {4000, 100}, {2000, 10}};
    for (const Stage& stage : kStages) {
        if (held_ms >= stage.from_ms)
            return stage.step;
    }
    return 1;
}

int SpinAcceleration::Step(std::int64_t now_ms) {
    if (!holding_ || now_ms - last_step_ms_ > kHoldGapMs || now_ms < last_step_ms_) {
        holding_ = true;
        hold_start_ms_ = now_ms;
    }
    last_step_ms_ = now_ms;
    return StepAfter(now_ms - hold_start_ms_);
}

}  // namespace kivo::player
