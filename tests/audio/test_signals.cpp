// Test signals and measurements (see test_signals.h).
#include "test_signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "kivo/wavefile/pcm_convert.h"

namespace kivo::test {

namespace {

std::vector<std::uint8_t> Encode(const std::vector<float>& values, const PcmFormat& format) {
    const std::size_t frames = values.size() / static_cast<std::size_t>(format.channels);
    std::vector<std::uint8_t> pcm(frames * static_cast<std::size_t>(format.block_align_bytes()));
    wavefile::EncodeFloatToPcm(values.data(), frames, format, pcm.data());
    return pcm;
}

std::vector<float> FirstChannel(const std::vector<std::uint8_t>& pcm, const PcmFormat& format) {
    const auto frames = static_cast<std::size_t>(FrameCount(pcm, format));
    std::vector<float> all(frames * static_cast<std::size_t>(format.channels));
    wavefile::DecodePcmToFloat(pcm.data(), frames, format, all.data());
    std::vector<float> first(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        first[i] = all[i * static_cast<std::size_t>(format.channels)];
    }
    return first;
}

}  // namespace

std::int64_t FrameCount(const std::vector<std::uint8_t>& pcm, const PcmFormat& format) {
    return static_cast<std::int64_t>(pcm.size()) / format.block_align_bytes();
}

std::vector<std::uint8_t> MakeTone(const PcmFormat& format, double frequency_hz, int duration_ms,
                                   double amplitude) {
    const std::int64_t frames =
        static_cast<std::int64_t>(duration_ms) * format.sample_rate_hz / 1000;
    std::vector<float> values(static_cast<std::size_t>(frames * format.channels));
    for (std::int64_t i = 0; i < frames; ++i) {
        const double phase =
            2 * std::numbers::pi * frequency_hz * static_cast<double>(i) / format.sample_rate_hz;
        for (int c = 0; c < format.channels; ++c) {
            values[static_cast<std::size_t>(i * format.channels + c)] =
                static_cast<float>(amplitude * std::sin(phase));
        }
    }
    return Encode(values, format);
}

std::vector<std::uint8_t> MakeCountingPattern(const PcmFormat& format, std::int64_t frames) {
    std::vector<std::uint8_t> pcm(static_cast<std::size_t>(frames * format.block_align_bytes()));
    std::size_t at = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < format.channels; ++c) {
            const auto value = static_cast<std::uint32_t>(i * 7 + c * 3);
            pcm[at++] = static_cast<std::uint8_t>(value & 0xFF);
            if (format.bits_per_sample == 16) {
                pcm[at++] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
            }
        }
    }
    return pcm;
}

std::vector<std::uint8_t> MakeSpeechLike(const PcmFormat& format, std::int64_t frames) {
    std::vector<float> values(static_cast<std::size_t>(frames * format.channels));
    std::uint32_t noise = 12345;
    double phase = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / format.sample_rate_hz;
        const double pitch = 140 + 40 * std::sin(2 * std::numbers::pi * 0.7 * t);
        phase += 2 * std::numbers::pi * pitch / format.sample_rate_hz;
        // Four syllables a second, each a rise and fall of loudness.
        const double envelope = std::pow(std::sin(std::numbers::pi * std::fmod(t * 4, 1.0)), 2);
        double voiced = 0;
        for (int harmonic = 1; harmonic <= 8; ++harmonic) {
            voiced += std::sin(phase * harmonic) / harmonic;
        }
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.05;
        const auto value = static_cast<float>(0.3 * envelope * voiced + hiss);
        for (int c = 0; c < format.channels; ++c) {
            values[static_cast<std::size_t>(i * format.channels + c)] = value;
        }
    }
    return Encode(values, format);
}

double MeanSquare(const std::vector<std::uint8_t>& pcm, const PcmFormat& format) {
    const std::vector<float> values = FirstChannel(pcm, format);
    if (values.empty()) {
        return 0;
    }
    double sum = 0;
    for (float v : values) {
        sum += static_cast<double>(v) * v;
    }
    return sum / static_cast<double>(values.size());
}

double ToneShare(const std::vector<std::uint8_t>& pcm, const PcmFormat& format,
                 double frequency_hz) {
    const std::vector<float> values = FirstChannel(pcm, format);
    // Goertzel over blocks of 50 ms, so phase jumps (time stretching, a
    // device starting late) do not matter; 20 Hz resolution.
    const std::size_t block = static_cast<std::size_t>(format.sample_rate_hz / 20);
    const double w = 2 * std::numbers::pi * frequency_hz / format.sample_rate_hz;
    const double coefficient = 2 * std::cos(w);
    double tone = 0;
    double total = 0;
    for (std::size_t start = 0; start + block <= values.size(); start += block) {
        double s1 = 0;
        double s2 = 0;
        for (std::size_t i = start; i < start + block; ++i) {
            const double s0 = values[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
            total += static_cast<double>(values[i]) * values[i];
        }
        // A pure sine of mean square m over n samples gives power n*n*m/2.
        tone += 2 * (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / static_cast<double>(block);
    }
    return total <= 0 ? 0 : std::min(1.0, tone / total);
}

double RmsDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                     const PcmFormat& format) {
    const std::vector<float> x = FirstChannel(a, format);
    const std::vector<float> y = FirstChannel(b, format);
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = static_cast<double>(x[i]) - y[i];
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(n));
}

}  // namespace kivo::test
