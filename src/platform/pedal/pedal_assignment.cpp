// Translating pedal events by the user's assignment.
#include "kivo/pedal/pedal_assignment.h"

namespace kivo::pedal {

PedalAction PedalAssignment::ActionAt(PedalPlace place) const {
    switch (place) {
        case PedalPlace::kLeft:
            return left;
        case PedalPlace::kMiddle:
            return middle;
        case PedalPlace::kRight:
            break;
    }
    return right;
}

PedalPlace PlaceOf(PedalEvent event) {
    switch (event) {
        case PedalEvent::RewindPressed:
        case PedalEvent::RewindReleased:
            return PedalPlace::kLeft;
        case PedalEvent::PlayPressed:
        case PedalEvent::PlayReleased:
            return PedalPlace::kMiddle;
        case PedalEvent::FastForwardPressed:
        case PedalEvent::FastForwardReleased:
            break;
    }
    return PedalPlace::kRight;
}

bool IsPress(PedalEvent event) {
    return event == PedalEvent::RewindPressed || event == PedalEvent::PlayPressed ||
           event == PedalEvent::FastForwardPressed;
}

std::optional<PedalEvent> AssignedEvent(PedalEvent event, const PedalAssignment& assignment) {
    const bool press = IsPress(event);
    switch (assignment.ActionAt(PlaceOf(event))) {
        case PedalAction::kRewind:
            return press ? PedalEvent::RewindPressed : PedalEvent::RewindReleased;
        case PedalAction::kPlay:
            return press ? PedalEvent::PlayPressed : PedalEvent::PlayReleased;
        case PedalAction::kFastForward:
            return press ? PedalEvent::FastForwardPressed : PedalEvent::FastForwardReleased;
        case PedalAction::kNothing:
            break;
    }
    return std::nullopt;
}

PedalAction PedalActionFromNumber(int number) {
    if (number < 0 || number >= kPedalActionCount)
        return PedalAction::kNothing;
    return static_cast<PedalAction>(number);
}

}  // namespace kivo::pedal
