// The media codec's round-trip fuzz entry, shared by the libFuzzer target and
// the replay test. A wave imported from a mail attachment is encoded into the
// stored form when its record is saved, so InspectWave and the encoder read
// hostile input too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::fuzz {

// Encodes the bytes in place as a media file with MediaCodec::Encode. A file
// that was encoded must decode back to the same bytes; one left as it is
// must be unchanged; a readable file never fails; no temporary file stays
// behind. Aborts when a promise is broken; returns 0.
int FuzzMediaRoundTrip(const std::uint8_t* data, std::size_t size);

}  // namespace kivo::fuzz
