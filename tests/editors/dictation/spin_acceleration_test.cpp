// The step of the cut position spins while an arrow is held.
#include "kivo/dictation/spin_acceleration.h"

#include <gtest/gtest.h>

namespace kivo::dictation {
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

}  // namespace
}  // namespace kivo::dictation
