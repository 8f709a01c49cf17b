// libFuzzer target: arbitrary bytes encoded as a media file and decoded back
// (see media_round_trip_fuzz_entry.h).
#include <cstddef>
#include <cstdint>

#include "media_round_trip_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::fuzz::FuzzMediaRoundTrip(data, size);
}
