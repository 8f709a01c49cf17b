// Test signals for the audio tests: tones, a counting pattern whose every
// frame differs (so a test can tell exactly which frames arrived), and a
// tone detector.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::test {

using wavefile::PcmFormat;

// A sine of `frequency_hz` at `amplitude` (0..1) on every channel.
std::vector<std::uint8_t> MakeTone(const PcmFormat& format, double frequency_hz, int duration_ms,
                                   double amplitude = 0.5);
// Frame i holds (i * 7 + channel * 3) mod 65536 (16-bit) or mod 256 (8-bit).
std::vector<std::uint8_t> MakeCountingPattern(const PcmFormat& format, std::int64_t frames);
// Speech-like test material: a gliding voiced tone with syllable envelopes
// and a little noise.
std::vector<std::uint8_t> MakeSpeechLike(const PcmFormat& format, std::int64_t frames);

// Mean squared value of the first channel, samples scaled to [-1, 1).
double MeanSquare(const std::vector<std::uint8_t>& pcm, const PcmFormat& format);
// Power of `frequency_hz` in the first channel relative to the total power
// (0..1): near 1 for a pure tone of that frequency.
double ToneShare(const std::vector<std::uint8_t>& pcm, const PcmFormat& format,
                 double frequency_hz);
// Root-mean-square difference of two signals of one format (first channel,
// over the shorter length).
double RmsDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                     const PcmFormat& format);

std::int64_t FrameCount(const std::vector<std::uint8_t>& pcm, const PcmFormat& format);

}  // namespace kivo::test
