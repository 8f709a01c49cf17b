// SpinAcceleration: how far one step of the "Cut From" and "Cut To" spins
// moves while an arrow is held down: 1 ms per step at first, then 10, 100,
// 500 and 1000 ms once it has been held for 2, 4, 6 and 8 seconds. A step
// that is not part of a hold (the wheel, a single click) moves 1 ms.
#pragma once

#include <cstdint>

namespace kivo::dictation {

class SpinAcceleration {
public:
    // The step after holding for held_ms.
    static int StepForHeld(std::int64_t held_ms);

    // An arrow went down (times in ms of any steady clock).
    void Press(std::int64_t now_ms);
    void Release() { held_ = false; }
    bool held() const { return held_; }

    // The step of a step taken at now_ms.
    int Step(std::int64_t now_ms) const;

private:
    bool held_ = false;
    std::int64_t pressed_ms_ = 0;
};

}  // namespace kivo::dictation
