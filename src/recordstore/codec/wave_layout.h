// Where the samples of a PCM wave file lie, found by walking its RIFF chunks
// with every size checked against the real file size. The media codec keeps
// the bytes before the samples (the head) and after them (the tail) as they
// are and compresses only the samples, so any wave it accepts comes back
// byte for byte.
#pragma once

#include <cstdint>
#include <string>

namespace kivo::recordstore {

class FileHandle;

struct WaveLayout {
    std::uint16_t channels = 0;
    std::uint32_t sample_rate_hz = 0;
    std::uint16_t bits_per_sample = 0;  // 8 (unsigned samples), 16 or 24 (signed)
    std::uint16_t bytes_per_frame = 0;  // channels * bits_per_sample / 8
    std::uint64_t head_bytes = 0;       // everything before the first sample byte
    std::uint64_t frames = 0;           // whole frames of the data chunk inside the file
    std::uint64_t sample_bytes = 0;     // frames * bytes_per_frame
    std::uint64_t tail_bytes = 0;       // everything after the last whole frame
};

enum class WaveVerdict {
    kLosslessPcm,   // layout filled: the codec can compress it
    kOtherContent,  // not a wave, or a wave the codec leaves as it is; reason says why
    kReadFailed,    // the file could not be read
};

struct WaveInspection {
    WaveVerdict verdict = WaveVerdict::kOtherContent;
    std::string reason;
    WaveLayout layout;
};

// Inspects an open file of file_size_bytes. A wave whose head and tail
// together exceed max_kept_bytes is reported as other content (they must fit
// in one metadata block of the stored form).
WaveInspection InspectWave(const FileHandle& file, std::uint64_t file_size_bytes,
                           std::uint64_t max_kept_bytes);

}  // namespace kivo::recordstore
