// Conversions between PCM layouts: samples as floats in [-1, 1), reversal of
// frames, and a change of channel count, sample size and rate (the rate by
// linear interpolation, good enough for test devices and loop-back checks,
// not for music).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::wavefile {

// Decodes `frames` frames into interleaved floats (frames x channels values).
void DecodePcmToFloat(const std::uint8_t* bytes, std::size_t frames, const PcmFormat& format,
                      float* out);
// Encodes interleaved floats, clipping to the sample range.
void EncodeFloatToPcm(const float* samples, std::size_t frames, const PcmFormat& format,
                      std::uint8_t* out);

// Reverses the order of whole frames in place; a trailing partial frame is
// dropped.
void ReverseFrames(std::vector<std::uint8_t>* bytes, const PcmFormat& format);

// Converts whole frames of `from` into `to`. Mono becomes stereo by copying,
// stereo becomes mono by averaging.
std::vector<std::uint8_t> ConvertPcm(const std::uint8_t* bytes, std::size_t size_bytes,
                                     const PcmFormat& from, const PcmFormat& to);

}  // namespace kivo::wavefile
