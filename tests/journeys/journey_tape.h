// What the virtual microphone hears during the journeys: a counting pattern
// in the default recording format (mono, 8000 Hz, 16 bit), so every stretch
// of a saved recording can be traced back to the moment it was recorded.
#pragma once

#include <cstdint>
#include <vector>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::test {

inline const wavefile::PcmFormat kJourneyFormat{1, 8000, 16};

// The whole tape (30 s), made before the program's sound card starts.
std::vector<std::uint8_t>& JourneyTape();

}  // namespace kivo::test
