// Speech-like material for the audio benchmarks: a gliding voiced tone with
// harmonics, four syllables a second, and a little noise, made the same way
// every run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace kivo::bench {

inline std::vector<std::uint8_t> MakeSpeechLike16BitMono(int sample_rate_hz, std::int64_t frames) {
    std::vector<std::uint8_t> pcm(static_cast<std::size_t>(frames) * 2);
    std::uint32_t noise = 12345;
    double phase = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sample_rate_hz;
        const double pitch = 140 + 40 * std::sin(2 * std::numbers::pi * 0.7 * t);
        phase += 2 * std::numbers::pi * pitch / sample_rate_hz;
        const double envelope = std::pow(std::sin(std::numbers::pi * std::fmod(t * 4, 1.0)), 2);
        double voiced = 0;
        for (int harmonic = 1; harmonic <= 6; ++harmonic) {
            voiced += std::sin(phase * harmonic) / harmonic;
        }
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.05;
        const auto sample = static_cast<std::int16_t>(
            std::lround(std::clamp(0.3 * envelope * voiced + hiss, -1.0, 1.0) * 32000));
        pcm[static_cast<std::size_t>(i) * 2] = static_cast<std::uint8_t>(sample & 0xFF);
        pcm[static_cast<std::size_t>(i) * 2 + 1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
    }
    return pcm;
}

}  // namespace kivo::bench
