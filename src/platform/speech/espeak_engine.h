// The process's one espeak-ng engine, started on first use, in the mode that
// hands the samples back to the program (no sound output of its own). Hold an
// EngineLock while calling any espeak_ function.
#pragma once

#include <mutex>

namespace kivo::speech {

class EngineLock {
public:
    EngineLock();
    // False when the engine could not start (no voice data installed).
    bool started() const { return sample_rate_hz_ > 0; }
    int sample_rate_hz() const { return sample_rate_hz_; }

private:
    std::unique_lock<std::mutex> lock_;
    int sample_rate_hz_ = 0;
};

}  // namespace kivo::speech
