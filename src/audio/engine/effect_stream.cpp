// The effects worker (see effect_stream.h).
#include "effect_stream.h"

#include <algorithm>

#include "sox_chain.h"

namespace kivo::audio::internal {

namespace {

// Ten seconds of audio rendered ahead at most.
constexpr int kAheadSeconds = 10;

}  // namespace

EffectStream::~EffectStream() {
    Stop();
}

void EffectStream::Start(std::shared_ptr<const std::vector<std::uint8_t>> pcm,
                         const wavefile::PcmFormat& format, std::int64_t start_frame,
                         std::vector<EffectStep> steps) {
    Stop();
    pcm_ = std::move(pcm);
    format_ = format;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        rendered_.clear();
        done_ = false;
        error_.clear();
    }
    ahead_samples_ = static_cast<std::size_t>(kAheadSeconds) *
                     static_cast<std::size_t>(format.sample_rate_hz * format.channels);
    cancel_ = false;
    worker_ = std::thread(&EffectStream::Run, this, std::move(steps), start_frame);
}

void EffectStream::Stop() {
    cancel_ = true;
    space_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void EffectStream::Run(std::vector<EffectStep> steps, std::int64_t start_frame) {
    const auto align = static_cast<std::int64_t>(format_.block_align_bytes());
    SoxChainInput input{format_, pcm_->data(), start_frame,
                        static_cast<std::int64_t>(pcm_->size()) / align};
    const wavefile::WaveStatus status = RunSoxChain(
        input, steps,
        [this](const std::int32_t* samples, std::size_t count) { return Accept(samples, count); },
        &cancel_);
    const std::lock_guard<std::mutex> hold(mutex_);
    done_ = true;
    if (!status.ok()) {
        error_ = status.message();
    }
}

bool EffectStream::Accept(const std::int32_t* samples, std::size_t count) {
    std::unique_lock<std::mutex> hold(mutex_);
    space_.wait(hold, [this] { return cancel_ || rendered_.size() < ahead_samples_; });
    if (cancel_) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        rendered_.push_back(SoxSampleToFloat(samples[i]));
    }
    return true;
}

std::size_t EffectStream::Read(float* out, std::size_t max_frames, bool* finished) {
    const std::lock_guard<std::mutex> hold(mutex_);
    const auto channels = static_cast<std::size_t>(format_.channels);
    const std::size_t frames = std::min(max_frames, rendered_.size() / channels);
    const std::size_t count = frames * channels;
    std::copy_n(rendered_.begin(), count, out);
    rendered_.erase(rendered_.begin(), rendered_.begin() + static_cast<std::ptrdiff_t>(count));
    *finished = done_ && rendered_.size() < channels;
    space_.notify_all();
    return frames;
}

std::string EffectStream::error() const {
    const std::lock_guard<std::mutex> hold(mutex_);
    return error_;
}

}  // namespace kivo::audio::internal
