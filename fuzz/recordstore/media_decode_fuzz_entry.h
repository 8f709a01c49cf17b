// The media codec's decoding fuzz entry, shared by the libFuzzer target and
// the replay test that runs the committed corpus in every normal test run.
// A recording's media member arrives from whoever sent the recording, so the
// stored form (FLAC with the wave's head and tail in a "KIVW" block) is read
// as hostile input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::fuzz {

// Decodes the bytes as a stored media member twice: through the codec's
// parts in memory (block lookup, then FLAC to wave) and through
// MediaCodec::Decode on a file in a private folder, and aborts when a promise
// is broken: a found block out of range or larger than the input, a decoded
// wave that is not head + declared samples + tail, a failure without a
// reason, the two ways disagreeing, a file changed although decoding failed
// or a temporary file left behind. When the bytes hold a "KIVW" block whose
// CRC does not match, the same is done again with the CRC made to match, so
// the block's fields are fuzzed too. Returns 0.
int FuzzMediaDecode(const std::uint8_t* data, std::size_t size);

}  // namespace kivo::fuzz
