// Sample decoding, encoding, frame reversal and format conversion.
#include "kivo/wavefile/pcm_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kivo::wavefile {

namespace {

float DecodeSample(const std::uint8_t* p, int bits) {
    if (bits == 8) {
        return (static_cast<int>(p[0]) - 128) / 128.0f;
    }
    const auto value = static_cast<std::int16_t>(p[0] | (p[1] << 8));
    return value / 32768.0f;
}

void EncodeSample(float value, int bits, std::uint8_t* p) {
    if (bits == 8) {
        const long scaled = std::lround(value * 128.0f);
        p[0] = static_cast<std::uint8_t>(std::clamp<long>(scaled, -128, 127) + 128);
        return;
    }
    const long scaled = std::lround(value * 32768.0f);
    const auto sample = static_cast<std::int16_t>(std::clamp<long>(scaled, -32768, 32767));
    p[0] = static_cast<std::uint8_t>(sample & 0xFF);
    p[1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
}

}  // namespace

void DecodePcmToFloat(const std::uint8_t* bytes, std::size_t frames, const PcmFormat& format,
                      float* out) {
    const std::size_t values = frames * static_cast<std::size_t>(format.channels);
    const std::size_t step = static_cast<std::size_t>(format.bytes_per_sample());
    for (std::size_t i = 0; i < values; ++i) {
        out[i] = DecodeSample(bytes + i * step, format.bits_per_sample);
    }
}

void EncodeFloatToPcm(const float* samples, std::size_t frames, const PcmFormat& format,
                      std::uint8_t* out) {
    const std::size_t values = frames * static_cast<std::size_t>(format.channels);
    const std::size_t step = static_cast<std::size_t>(format.bytes_per_sample());
    for (std::size_t i = 0; i < values; ++i) {
        EncodeSample(samples[i], format.bits_per_sample, out + i * step);
    }
}

void ReverseFrames(std::vector<std::uint8_t>* bytes, const PcmFormat& format) {
    const std::size_t align = static_cast<std::size_t>(format.block_align_bytes());
    if (align == 0) {
        return;
    }
    const std::size_t frames = bytes->size() / align;
    bytes->resize(frames * align);
    std::vector<std::uint8_t> frame(align);
    for (std::size_t low = 0, high = frames; low + 1 < high; ++low) {
        --high;
        std::uint8_t* a = bytes->data() + low * align;
        std::uint8_t* b = bytes->data() + high * align;
        std::memcpy(frame.data(), a, align);
        std::memcpy(a, b, align);
        std::memcpy(b, frame.data(), align);
    }
}

std::vector<std::uint8_t> ConvertPcm(const std::uint8_t* bytes, std::size_t size_bytes,
                                     const PcmFormat& from, const PcmFormat& to) {
    const std::size_t from_align = static_cast<std::size_t>(from.block_align_bytes());
    if (from_align == 0 || to.block_align_bytes() <= 0) {
        return {};
    }
    const std::size_t in_frames = size_bytes / from_align;
    if (from == to) {
        return std::vector<std::uint8_t>(bytes, bytes + in_frames * from_align);
    }
    std::vector<float> decoded(in_frames * static_cast<std::size_t>(from.channels));
    DecodePcmToFloat(bytes, in_frames, from, decoded.data());

    // Channels first, at the source rate.
    std::vector<float> mixed(in_frames * static_cast<std::size_t>(to.channels));
    for (std::size_t f = 0; f < in_frames; ++f) {
        const float* in = &decoded[f * from.channels];
        float mono = 0;
        for (int c = 0; c < from.channels; ++c) {
            mono += in[c];
        }
        mono /= static_cast<float>(from.channels);
        for (int c = 0; c < to.channels; ++c) {
            mixed[f * to.channels + c] = from.channels == to.channels ? in[c] : mono;
        }
    }

    // Then the rate, by linear interpolation.
    std::size_t out_frames = in_frames;
    std::vector<float> resampled;
    const std::vector<float>* source = &mixed;
    if (from.sample_rate_hz != to.sample_rate_hz && from.sample_rate_hz > 0 && in_frames > 0) {
        out_frames = static_cast<std::size_t>(static_cast<std::uint64_t>(in_frames) *
                                              static_cast<std::uint64_t>(to.sample_rate_hz) /
                                              static_cast<std::uint64_t>(from.sample_rate_hz));
        resampled.resize(out_frames * static_cast<std::size_t>(to.channels));
        const double step = static_cast<double>(from.sample_rate_hz) / to.sample_rate_hz;
        for (std::size_t f = 0; f < out_frames; ++f) {
            const double at = f * step;
            const std::size_t i0 = std::min(static_cast<std::size_t>(at), in_frames - 1);
            const std::size_t i1 = std::min(i0 + 1, in_frames - 1);
            const float t = static_cast<float>(at - static_cast<double>(i0));
            for (int c = 0; c < to.channels; ++c) {
                resampled[f * to.channels + c] =
                    mixed[i0 * to.channels + c] * (1 - t) + mixed[i1 * to.channels + c] * t;
            }
        }
        source = &resampled;
    }
    std::vector<std::uint8_t> out(out_frames * static_cast<std::size_t>(to.block_align_bytes()));
    EncodeFloatToPcm(source->data(), out_frames, to, out.data());
    return out;
}

}  // namespace kivo::wavefile
