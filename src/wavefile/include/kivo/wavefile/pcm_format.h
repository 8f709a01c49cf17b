// The PCM formats the recorder and the wave document work in, and the quality
// table that turns the profile's "RecQual" value into one of them.
//
//   RecQual  channels  samples/s  bits
//   0        1         8000       16
//   1        2         8000       16
//   2        1         22050      8
//   3        2         44100      16
//   other    1         8000       16
//
// 8-bit samples are unsigned (128 is silence); 16-bit samples are signed
// little-endian. Frames hold one sample per channel, interleaved.
#pragma once

#include <array>
#include <cstdint>

namespace kivo::wavefile {

struct PcmFormat {
    int channels = 1;
    int sample_rate_hz = 8000;
    int bits_per_sample = 16;

    int bytes_per_sample() const { return (bits_per_sample + 7) / 8; }
    int block_align_bytes() const { return channels * bytes_per_sample(); }
    int bytes_per_second() const { return block_align_bytes() * sample_rate_hz; }

    // True for the formats this program records and plays: 1 or 2 channels,
    // 8 or 16 bits, 1000 to 192000 samples per second.
    bool IsPlayable() const;

    bool operator==(const PcmFormat&) const = default;
};

PcmFormat FormatForQuality(int rec_qual);

// The 18-byte WAVEFORMATEX the recorder writes: format tag 1 (PCM), channels,
// samples per second, average bytes per second, block align, bits per sample,
// and cbSize 0; all little-endian.
inline constexpr std::size_t kWaveFormatExBytes = 18;
std::array<std::uint8_t, kWaveFormatExBytes> WaveFormatExBlock(const PcmFormat& format);

// Frames <-> milliseconds, rounding down; 64-bit throughout.
std::int64_t FramesToMs(std::int64_t frames, const PcmFormat& format);
std::int64_t MsToFrames(std::int64_t ms, const PcmFormat& format);

}  // namespace kivo::wavefile
