// The step of a spin box while an arrow is held: the recorders' cut position
// spins (told when the arrow goes down) and the player's speed spin (steps
// that follow each other).
#include "kivo/recorder/spin_acceleration.h"

#include <gtest/gtest.h>

#include <vector>

namespace kivo::recorder {
namespace {

TEST(SpinAcceleration, StepGrowsAfterTwoFourSixAndEightSecondsOfHolding) {
    EXPECT_EQ(SpinAcceleration::StepForHeld(0), 1);
    EXPECT_EQ(SpinAcceleration::StepForHeld(1999), 1);
    EXPECT_EQ(SpinAcceleration::StepForHeld(2000), 10);
    EXPECT_EQ(SpinAcceleration::StepForHeld(3999), 10);
    EXPECT_EQ(SpinAcceleration::StepForHeld(4000), 100);
    EXPECT_EQ(SpinAcceleration::StepForHeld(5999), 100);
    EXPECT_EQ(SpinAcceleration::StepForHeld(6000), 500);
    EXPECT_EQ(SpinAcceleration::StepForHeld(7999), 500);
    EXPECT_EQ(SpinAcceleration::StepForHeld(8000), 1000);
    EXPECT_EQ(SpinAcceleration::StepForHeld(600000), 1000);
    EXPECT_EQ(SpinAcceleration::StepForHeld(-5), 1);  // a clock that went back
}

TEST(SpinAcceleration, HoldCountsFromThePressAndEndsWithTheRelease) {
    SpinAcceleration acceleration;
    EXPECT_EQ(acceleration.Step(50000), 1);  // no hold: single steps
    acceleration.Press(10000);
    EXPECT_TRUE(acceleration.held());
    EXPECT_EQ(acceleration.Step(10000), 1);
    EXPECT_EQ(acceleration.Step(14500), 100);
    EXPECT_EQ(acceleration.Step(18000), 1000);
    acceleration.Release();
    EXPECT_EQ(acceleration.Step(18100), 1);
    acceleration.Press(20000);  // a new hold starts slow again
    EXPECT_EQ(acceleration.Step(21000), 1);
}

TEST(SpinAcceleration, StepsGrowWhileHeldAndStartOverAfterARelease) {
    SpinAcceleration spin;
    // An arrow held for nine seconds repeats every 100 ms.
    std::vector<int> steps_at_seconds;
    for (std::int64_t t = 0; t <= 9000; t += 100) {
        const int step = spin.Step(t);
        if (t % 1000 == 0)
            steps_at_seconds.push_back(step);
    }
    EXPECT_EQ(steps_at_seconds, (std::vector<int>{1, 1, 10, 10, 100, 100, 500, 500, 1000, 1000}));
    spin.Release();
    EXPECT_EQ(spin.Step(9100), 1);
    // A pause longer than the repeat gap also starts a new hold.
    std::int64_t t = 9100;
    for (; t < 9100 + 2500; t += 100)
        spin.Step(t);
    EXPECT_EQ(spin.Step(t), 10);
    EXPECT_EQ(spin.Step(t + SpinAcceleration::kHoldGapMs + 1), 1);
}

}  // namespace
}  // namespace kivo::recorder
