// A one-line progress bar on standard error for the engine's long operations.
//
// The engine reports progress through a plain function pointer with no room
// for a context, so at most one bar is active at a time; it receives the
// callbacks while it lives. When standard error is not a terminal the bar
// stays silent and callback() is null, so the plain (callback-free) engine
// calls are used and scripts see no control characters.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "zn2xrrps.h"

namespace kivo::xrrps {

class ProgressBar {
public:
    // total_bytes: the bytes the operation will write; 0 when unknown (the bar
    // then counts bytes without a percentage).
    explicit ProgressBar(std::uint64_t total_bytes);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Whether standard error is a terminal, that is, whether a bar is worth
    // the cost of working out its total.
    static bool Wanted();

    // The callback to hand to an RPS_...CB call, or null when silent.
    RPS_CALLBACK callback() const;

private:
    static void OnBlock(std::int32_t phase, std::uint32_t byte_count, const char* label);
    void Advance(std::uint32_t byte_count, const char* label);
    void Draw();

    bool visible_ = false;
    bool drawn_ = false;
    std::uint64_t total_bytes_ = 0;
    std::uint64_t done_bytes_ = 0;
    std::string label_;
    std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace kivo::xrrps
