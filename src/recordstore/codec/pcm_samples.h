// Conversion between the little-endian sample bytes of a PCM wave and the
// signed 32-bit samples libFLAC works with. 8-bit wave samples are unsigned
// (silence is 128); 16- and 24-bit ones are signed two's complement.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::recordstore {

void PcmBytesToSamples(const std::uint8_t* bytes, std::size_t sample_count,
                       unsigned bits_per_sample, std::int32_t* samples);

// The inverse; a sample outside the range of bits_per_sample is cut to it.
void SamplesToPcmBytes(const std::int32_t* samples, std::size_t sample_count,
                       unsigned bits_per_sample, std::uint8_t* bytes);

}  // namespace kivo::recordstore
