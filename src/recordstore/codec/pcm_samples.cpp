// PCM sample conversion: see pcm_samples.h.
#include "codec/pcm_samples.h"

#include <algorithm>

namespace kivo::recordstore {

void PcmBytesToSamples(const std::uint8_t* bytes, std::size_t sample_count,
                       unsigned bits_per_sample, std::int32_t* samples) {
    switch (bits_per_sample) {
        case 8:
            for (std::size_t i = 0; i < sample_count; ++i)
                samples[i] = bytes[i] - 128;
            break;
        case 16:
            for (std::size_t i = 0; i < sample_count; ++i, bytes += 2) {
                samples[i] = static_cast<std::int16_t>(bytes[0] | bytes[1] << 8);
            }
            break;
        default:  // 24
            for (std::size_t i = 0; i < sample_count; ++i, bytes += 3) {
                const std::uint32_t raw =
                    bytes[0] | bytes[1] << 8 | static_cast<std::uint32_t>(bytes[2]) << 16;
                samples[i] = static_cast<std::int32_t>(raw << 8) >> 8;
            }
            break;
    }
}

void SamplesToPcmBytes(const std::int32_t* samples, std::size_t sample_count,
                       unsigned bits_per_sample, std::uint8_t* bytes) {
    const std::int32_t high = (1 << (bits_per_sample - 1)) - 1;
    const std::int32_t low = -high - 1;
    for (std::size_t i = 0; i < sample_count; ++i) {
        const std::int32_t value = std::clamp(samples[i], low, high);
        switch (bits_per_sample) {
            case 8:
                *bytes++ = static_cast<std::uint8_t>(value + 128);
                break;
            case 16:
                *bytes++ = static_cast<std::uint8_t>(value);
                *bytes++ = static_cast<std::uint8_t>(value >> 8);
                break;
            default:  // 24
                *bytes++ = static_cast<std::uint8_t>(value);
                *bytes++ = static_cast<std::uint8_t>(value >> 8);
                *bytes++ = static_cast<std::uint8_t>(value >> 16);
                break;
        }
    }
}

}  // namespace kivo::recordstore
