// StopRequest: the flag one thread sets to ask a running decode, on another
// thread, to stop. 0 means run, 1 stop; the decoder polls it between packets
// and while it waits for input.
#pragma once

#include <atomic>
#include <cstdint>

namespace kivo::decoding {

class StopRequest {
public:
    void Request() { value_.store(1, std::memory_order_relaxed); }
    void Clear() { value_.store(0, std::memory_order_relaxed); }
    bool requested() const { return value_.load(std::memory_order_relaxed) != 0; }

private:
    std::atomic<std::int32_t> value_{0};
};

}  // namespace kivo::decoding
