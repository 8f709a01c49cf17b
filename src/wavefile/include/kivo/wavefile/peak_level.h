// The recorder's level rule. For each sample take its high byte as a signed
// value; a negative value counts as -1; the sample's level is
// value x 100 / 128, truncated toward zero (so 0..99, and negative samples
// give 0). The peak is the maximum over the buffer, starting from 0. In
// stereo the samples alternate left, right; in mono the right level repeats
// the left. 8-bit samples are unsigned, so their "high byte" is the sample
// minus 128.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::wavefile {

struct PeakLevels {
    int left = 0;
    int right = 0;
};

int SampleLevel(std::int8_t high_byte);
PeakLevels ComputePeakLevels(const std::uint8_t* bytes, std::size_t size_bytes,
                             const PcmFormat& format);

}  // namespace kivo::wavefile
