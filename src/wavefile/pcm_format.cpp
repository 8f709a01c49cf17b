// The quality table and the recorder's format block.
#include "kivo/wavefile/pcm_format.h"

#include "byte_order.h"
#include "kivo/wavefile/riff_layout.h"

namespace kivo::wavefile {

bool PcmFormat::IsPlayable() const {
    return (channels == 1 || channels == 2) && (bits_per_sample == 8 || bits_per_sample == 16) &&
           sample_rate_hz >= 1000 && sample_rate_hz <= 192000;
}

PcmFormat FormatForQuality(int rec_qual) {
    switch (rec_qual) {
        case 1:
            return PcmFormat{2, 8000, 16};
        case 2:
            return PcmFormat{1, 22050, 8};
        case 3:
            return PcmFormat{2, 44100, 16};
        default:
            return PcmFormat{1, 8000, 16};
    }
}

std::array<std::uint8_t, kWaveFormatExBytes> WaveFormatExBlock(const PcmFormat& format) {
    std::array<std::uint8_t, kWaveFormatExBytes> block{};
    internal::StoreU16(&block[0], kFormatTagPcm);
    internal::StoreU16(&block[2], static_cast<std::uint16_t>(format.channels));
    internal::StoreU32(&block[4], static_cast<std::uint32_t>(format.sample_rate_hz));
    internal::StoreU32(&block[8], static_cast<std::uint32_t>(format.bytes_per_second()));
    internal::StoreU16(&block[12], static_cast<std::uint16_t>(format.block_align_bytes()));
    internal::StoreU16(&block[14], static_cast<std::uint16_t>(format.bits_per_sample));
    internal::StoreU16(&block[16], 0);  // cbSize
    return block;
}

std::int64_t FramesToMs(std::int64_t frames, const PcmFormat& format) {
    if (format.sample_rate_hz <= 0) {
        return 0;
    }
    return frames * 1000 / format.sample_rate_hz;
}

std::int64_t MsToFrames(std::int64_t ms, const PcmFormat& format) {
    return ms * format.sample_rate_hz / 1000;
}

}  // namespace kivo::wavefile
