// How long the translator may run and how much it may print for one text.
#pragma once

#include <chrono>
#include <cstddef>

namespace kivo::translation {

struct CommandLimits {
    std::chrono::milliseconds time_limit{60'000};
    std::size_t output_limit_bytes = 64u << 20;
};

}  // namespace kivo::translation
