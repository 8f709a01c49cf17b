// Running one libsox effects chain over PCM in memory: a custom input effect
// hands out the source frames, the requested effects follow, then "channels"
// and "rate" bring the signal back to the source's layout, and a custom
// output effect passes the result to a sink. The process-wide sox lock is
// held for the whole run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "kivo/audio/effect_render.h"
#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_status.h"

namespace kivo::audio::internal {

// Receives interleaved 32-bit libsox samples (whole frames); returns false to
// end the run early.
using SoxSampleSink = std::function<bool(const std::int32_t* samples, std::size_t count)>;

struct SoxChainInput {
    wavefile::PcmFormat format;
    const std::uint8_t* pcm = nullptr;
    std::int64_t first_frame = 0;
    std::int64_t end_frame = 0;
};

// Renders frames [first_frame, end_frame) through `steps`; the sink receives
// at most end_frame - first_frame frames. `cancel` (may be null) ends the run
// when set.
wavefile::WaveStatus RunSoxChain(const SoxChainInput& input, const std::vector<EffectStep>& steps,
                                 const SoxSampleSink& sink, const std::atomic<bool>* cancel);

// True when libsox initialises.
bool SoxAvailable();

// libsox sample <-> float in [-1, 1).
inline float SoxSampleToFloat(std::int32_t sample) {
    return static_cast<float>(sample) / 2147483648.0f;
}

}  // namespace kivo::audio::internal
