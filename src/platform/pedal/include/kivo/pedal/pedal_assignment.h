// Which pedal does what. The decoder names a pedal's events by its place
// (left: Rewind..., middle: Play..., right: FastForward...); a user who
// wants the pedals the other way round, or one of them idle, assigns each
// place an action, and the events are translated before they reach the
// binding.
#pragma once

#include <optional>

#include "kivo/pedal/pedal_report_decoder.h"

namespace kivo::pedal {

enum class PedalPlace { kLeft = 0, kMiddle = 1, kRight = 2 };

enum class PedalAction {
    kRewind = 0,       // winds back while held
    kPlay = 1,         // plays while held
    kFastForward = 2,  // winds forward while held
    kNothing = 3,
};
inline constexpr int kPedalActionCount = 4;

struct PedalAssignment {
    PedalAction left = PedalAction::kRewind;
    PedalAction middle = PedalAction::kPlay;
    PedalAction right = PedalAction::kFastForward;

    PedalAction ActionAt(PedalPlace place) const;
    friend bool operator==(const PedalAssignment&, const PedalAssignment&) = default;
};

// The pedal an event comes from, and whether it went down.
PedalPlace PlaceOf(PedalEvent event);
bool IsPress(PedalEvent event);

// The event as the assignment means it; nothing for a pedal doing nothing.
std::optional<PedalEvent> AssignedEvent(PedalEvent event, const PedalAssignment& assignment);

// An action from its stored number; out-of-range numbers are nothing.
PedalAction PedalActionFromNumber(int number);

}  // namespace kivo::pedal
