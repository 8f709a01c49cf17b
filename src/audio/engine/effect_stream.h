// Effects rendered ahead of playback on a worker thread. The worker runs one
// libsox chain from a start frame to the end of the source and keeps up to
// kAheadFrames rendered frames waiting; playback takes them without ever
// blocking. Stop (or destruction) ends the worker promptly.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kivo/audio/effect_render.h"
#include "kivo/wavefile/pcm_format.h"

namespace kivo::audio::internal {

class EffectStream {
public:
    EffectStream() = default;
    ~EffectStream();
    EffectStream(const EffectStream&) = delete;
    EffectStream& operator=(const EffectStream&) = delete;

    // Renders frames [start_frame, end) of `pcm` through `steps`.
    void Start(std::shared_ptr<const std::vector<std::uint8_t>> pcm,
               const wavefile::PcmFormat& format, std::int64_t start_frame,
               std::vector<EffectStep> steps);
    // Copies up to `max_frames` rendered frames (interleaved floats) into
    // `out`; returns how many. *finished is set once the worker is done and
    // everything was taken.
    std::size_t Read(float* out, std::size_t max_frames, bool* finished);
    void Stop();
    // The rendering error, when the worker failed.
    std::string error() const;

private:
    void Run(std::vector<EffectStep> steps, std::int64_t start_frame);
    bool Accept(const std::int32_t* samples, std::size_t count);

    std::shared_ptr<const std::vector<std::uint8_t>> pcm_;
    wavefile::PcmFormat format_;
    std::thread worker_;
    mutable std::mutex mutex_;
    std::condition_variable space_;
    std::deque<float> rendered_;
    std::size_t ahead_samples_ = 0;
    bool done_ = false;
    std::string error_;
    std::atomic<bool> cancel_{false};
};

}  // namespace kivo::audio::internal
