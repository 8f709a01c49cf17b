// Which pedal does what: events are translated by place, a pedal set to do
// nothing is silent, and stored numbers outside the actions mean nothing.
#include <gtest/gtest.h>

#include "kivo/pedal/pedal_assignment.h"

namespace kivo::pedal {
namespace {

TEST(PedalAssignment, TheUsualAssignmentLeavesEveryEventAsItIs) {
    const PedalAssignment usual;
    for (PedalEvent event : {PedalEvent::RewindPressed, PedalEvent::RewindReleased,
                             PedalEvent::PlayPressed, PedalEvent::PlayReleased,
                             PedalEvent::FastForwardPressed, PedalEvent::FastForwardReleased}) {
        EXPECT_EQ(AssignedEvent(event, usual), event);
    }
}

TEST(PedalAssignment, SwappedAndIdlePedalsAreTranslatedByPlace) {
    PedalAssignment assignment;
    assignment.left = PedalAction::kPlay;
    assignment.middle = PedalAction::kNothing;
    assignment.right = PedalAction::kRewind;
    EXPECT_EQ(AssignedEvent(PedalEvent::RewindPressed, assignment), PedalEvent::PlayPressed);
    EXPECT_EQ(AssignedEvent(PedalEvent::RewindReleased, assignment), PedalEvent::PlayReleased);
    EXPECT_EQ(AssignedEvent(PedalEvent::PlayPressed, assignment), std::nullopt);
    EXPECT_EQ(AssignedEvent(PedalEvent::PlayReleased, assignment), std::nullopt);
    EXPECT_EQ(AssignedEvent(PedalEvent::FastForwardPressed, assignment), PedalEvent::RewindPressed);
    EXPECT_EQ(PlaceOf(PedalEvent::FastForwardReleased), PedalPlace::kRight);
    EXPECT_FALSE(IsPress(PedalEvent::FastForwardReleased));
}

TEST(PedalAssignment, StoredNumbersOutsideTheActionsMeanNothing) {
    EXPECT_EQ(PedalActionFromNumber(0), PedalAction::kRewind);
    EXPECT_EQ(PedalActionFromNumber(2), PedalAction::kFastForward);
    EXPECT_EQ(PedalActionFromNumber(-1), PedalAction::kNothing);
    EXPECT_EQ(PedalActionFromNumber(17), PedalAction::kNothing);
}

}  // namespace
}  // namespace kivo::pedal
