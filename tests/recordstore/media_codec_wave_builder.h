// Builds wave files byte by byte for the record store tests: PCM of any
// layout with a test signal, extra chunks before or after the data, odd
// data sizes, and deliberately broken headers.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::test {

struct WaveRecipe {
    std::uint16_t format_tag = 1;  // PCM
    std::uint16_t channels = 1;
    std::uint32_t sample_rate_hz = 8000;
    std::uint16_t bits_per_sample = 16;
    std::uint64_t frames = 8000;
    std::uint32_t extra_data_bytes = 0;  // bytes after the whole frames inside the data chunk
    std::vector<std::uint8_t> chunks_before_data;  // whole chunks, inserted after fmt
    std::vector<std::uint8_t> chunks_after_data;
};

inline void AppendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void AppendText(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// A chunk with its id, size and body, padded to an even length.
inline std::vector<std::uint8_t> Chunk(const std::string& id,
                                       const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> out;
    AppendText(out, id);
    AppendLe(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        out.push_back(0);
    return out;
}

// Speech-like test signal: two tones with a slow envelope and a little
// noise from a fixed generator, so results are the same on every run.
inline std::vector<std::uint8_t> TestSamples(const WaveRecipe& recipe) {
    std::vector<std::uint8_t> out;
    const int bytes = recipe.bits_per_sample / 8;
    const double full_scale = std::ldexp(1.0, recipe.bits_per_sample - 1) - 1;
    std::uint32_t noise = 12345;
    for (std::uint64_t i = 0; i < recipe.frames; ++i) {
        const double t = static_cast<double>(i) / recipe.sample_rate_hz;
        for (int c = 0; c < recipe.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double envelope = 0.5 + 0.4 * std::sin(2 * M_PI * 3 * t);
            const double value = envelope * (0.6 * std::sin(2 * M_PI * (220 + 40 * c) * t) +
                                             0.2 * std::sin(2 * M_PI * 1250 * t)) +
                                 0.01 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
            auto sample = static_cast<std::int64_t>(std::lround(value * full_scale));
            if (recipe.bits_per_sample == 8)
                sample += 128;
            AppendLe(out, static_cast<std::uint64_t>(sample), bytes);
        }
    }
    for (std::uint32_t i = 0; i < recipe.extra_data_bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(0x5A + i));
    return out;
}

inline std::vector<std::uint8_t> FmtBody(const WaveRecipe& recipe) {
    std::vector<std::uint8_t> fmt;
    const std::uint16_t block_align =
        static_cast<std::uint16_t>(recipe.channels * recipe.bits_per_sample / 8);
    AppendLe(fmt, recipe.format_tag, 2);
    AppendLe(fmt, recipe.channels, 2);
    AppendLe(fmt, recipe.sample_rate_hz, 4);
    AppendLe(fmt, static_cast<std::uint64_t>(recipe.sample_rate_hz) * block_align, 4);
    AppendLe(fmt, block_align, 2);
    AppendLe(fmt, recipe.bits_per_sample, 2);
    return fmt;
}

inline std::vector<std::uint8_t> BuildWave(const WaveRecipe& recipe) {
    std::vector<std::uint8_t> body;
    AppendText(body, "WAVE");
    const auto fmt = Chunk("fmt ", FmtBody(recipe));
    body.insert(body.end(), fmt.begin(), fmt.end());
    body.insert(body.end(), recipe.chunks_before_data.begin(), recipe.chunks_before_data.end());
    const auto data = Chunk("data", TestSamples(recipe));
    body.insert(body.end(), data.begin(), data.end());
    body.insert(body.end(), recipe.chunks_after_data.begin(), recipe.chunks_after_data.end());
    std::vector<std::uint8_t> out;
    AppendText(out, "RIFF");
    AppendLe(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace kivo::test
