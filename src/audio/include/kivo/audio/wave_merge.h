// MergeWaves: joins wave files into one new wave, in the order given.
//
// The parts may differ in quality (sample rate, channels, 8 or 16 bits);
// each is converted with libswresample to the common format of the result:
// 16-bit PCM at the highest sample rate and with the most channels among the
// parts. The result is written whole through a temporary file, so a failed
// merge leaves no partial wave under the output name. Wave files are
// untrusted input: a part that is no playable PCM wave fails the merge with
// a message naming it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::audio {

struct WaveMergeResult {
    bool ok = false;
    std::string error;                       // when not ok
    wavefile::PcmFormat format;              // of the result
    std::vector<std::uint64_t> part_frames;  // each part's length in the result
    std::uint64_t frames = 0;                // the sum of part_frames
};

WaveMergeResult MergeWaves(const std::vector<std::string>& part_paths,
                           const std::string& output_path);

// Converts interleaved PCM samples (8-bit unsigned or 16-bit signed) to
// 16-bit signed samples of another rate and channel count. False when the
// resampler refuses the formats.
bool ConvertPcm(const wavefile::PcmFormat& from, const std::vector<std::uint8_t>& samples,
                const wavefile::PcmFormat& to, std::vector<std::uint8_t>* converted);

}  // namespace kivo::audio
