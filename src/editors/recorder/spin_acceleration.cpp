// The acceleration of a held spin arrow (see spin_acceleration.h).
#include "kivo/recorder/spin_acceleration.h"

namespace kivo::recorder {
namespace {

struct Stage {
    std::int64_t after_ms;
    int step;
};
constexpr Stage kStages[] = {{8000, 1000}, {6000, 500}, {4000, 100}, {2000, 10}};

}  // namespace

int SpinAcceleration::StepForHeld(std::int64_t held_ms) {
    for (const Stage& stage : kStages) {
        if (held_ms >= stage.after_ms)
            return stage.step;
    }
    return 1;
}

void SpinAcceleration::Press(std::int64_t now_ms) {
    pressed_ = true;
    repeating_ = false;
    hold_start_ms_ = now_ms;
}

void SpinAcceleration::Release() {
    pressed_ = false;
    repeating_ = false;
}

int SpinAcceleration::Step(std::int64_t now_ms) {
    if (!pressed_) {
        // A clock that went back, or a pause longer than a key's repeat,
        // ends the hold.
        const bool follows =
            repeating_ && now_ms >= last_step_ms_ && now_ms - last_step_ms_ <= kHoldGapMs;
        if (!follows) {
            repeating_ = true;
            hold_start_ms_ = now_ms;
        }
    }
    last_step_ms_ = now_ms;
    return StepForHeld(now_ms - hold_start_ms_);
}

}  // namespace kivo::recorder
