// SpinAcceleration: how far one step of a spin box moves while an arrow is
// held: 1 per step at first, then 10, 100, 500 and 1000 once it has been held
// for 2, 4, 6 and 8 seconds. The recorders' "Cut From" and "Cut To" spins
// step in milliseconds; the message player's speed spin in its own units.
//
// A hold is known in one of two ways. The owner may say when the arrow goes
// down (Press) and up (Release); the steps then count from the press. Without
// a press, steps that follow one another within kHoldGapMs (the repeat of a
// held key or button) make one hold, counted from its first step; a longer
// pause, or Release, starts a new one. A step on its own (a wheel turn after
// Release, a single click) is therefore always 1.
#pragma once

#include <cstdint>

namespace kivo::recorder {

class SpinAcceleration {
public:
    // Steps further apart than this start a new hold (when no Press said
    // that the arrow is down).
    static constexpr std::int64_t kHoldGapMs = 700;

    // The step after holding for held_ms.
    static int StepForHeld(std::int64_t held_ms);

    // An arrow went down (times in ms of any steady clock).
    void Press(std::int64_t now_ms);
    // The arrow went up: the next step starts a new hold.
    void Release();
    // Whether Press said that an arrow is down.
    bool held() const { return pressed_; }

    // The size of a step taken at now_ms.
    int Step(std::int64_t now_ms);

private:
    bool pressed_ = false;
    bool repeating_ = false;  // steps without a press that follow each other
    std::int64_t hold_start_ms_ = 0;
    std::int64_t last_step_ms_ = 0;
};

}  // namespace kivo::recorder
