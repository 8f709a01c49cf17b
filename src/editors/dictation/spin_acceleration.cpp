// The acceleration of the cut position spins (see spin_acceleration.h).
#include "kivo/dictation/spin_acceleration.h"

namespace kivo::dictation {
namespace {

struct Stage {
    std::int64_t after_ms;
    int step_ms;
};
constexpr Stage kStages[] = {{8000, 1000}, {6000, 500}, {4000, 100}, {2000, 10}, {0, 1}};

}  // namespace

int SpinAcceleration::StepForHeld(std::int64_t held_ms) {
    for (const Stage& stage : kStages) {
        if (held_ms >= stage.after_ms)
            return stage.step_ms;
    }
    return 1;
}

void SpinAcceleration::Press(std::int64_t now_ms) {
    held_ = true;
    pressed_ms_ = now_ms;
}

int SpinAcceleration::Step(std::int64_t now_ms) const {
    return held_ ? StepForHeld(now_ms - pressed_ms_) : 1;
}

}  // namespace kivo::dictation
