// The recorder's peak-level rule (see peak_level.h).
#include "kivo/wavefile/peak_level.h"

#include <algorithm>

namespace kivo::wavefile {

int SampleLevel(std::int8_t high_byte) {
    const int value = high_byte < 0 ? -1 : high_byte;
    return value * 100 / 128;  // -1 gives 0: division truncates toward zero
}

PeakLevels ComputePeakLevels(const std::uint8_t* bytes, std::size_t size_bytes,
                             const PcmFormat& format) {
    PeakLevels peaks;
    const std::size_t sample_bytes = format.bits_per_sample == 8 ? 1 : 2;
    const bool stereo = format.channels == 2;
    const std::size_t samples = size_bytes / sample_bytes;
    for (std::size_t i = 0; i < samples; ++i) {
        const std::uint8_t* sample = bytes + i * sample_bytes;
        const std::int8_t high = sample_bytes == 1
                                     ? static_cast<std::int8_t>(static_cast<int>(sample[0]) - 128)
                                     : static_cast<std::int8_t>(sample[1]);
        const int level = SampleLevel(high);
        if (stereo && (i % 2) == 1) {
            peaks.right = std::max(peaks.right, level);
        } else {
            peaks.left = std::max(peaks.left, level);
        }
    }
    if (!stereo) {
        peaks.right = peaks.left;
    }
    return peaks;
}

}  // namespace kivo::wavefile
