// Writing wave files. Each writer builds the file under a temporary name in
// the target's folder and renames it into place only when every byte is
// written, so a failed write never leaves a half file under the final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_status.h"

namespace kivo::wavefile {

// The recorder's wave file, from a raw PCM file:
//   "RIFF", size, "WAVE"
//   "fmt ", 18, WAVEFORMATEX (cbSize 0)
//   "fact", 4, number of sample frames (data bytes / block align)
//   "data", size, PCM bytes, and a pad byte when the size is odd
// The raw file is copied in 32768-byte pieces.
WaveStatus WriteRecorderWave(const std::string& wave_path, const PcmFormat& format,
                             const std::string& raw_path);

// The player's canonical header in front of a raw PCM file:
//   "RIFF", data bytes + format bytes + 20, "WAVE",
//   "fmt ", format bytes, the format block, "data", data bytes, PCM bytes.
// No pad byte is written (the header's sizes leave none).
WaveStatus WriteCanonicalWave(const std::string& wave_path,
                              const std::vector<std::uint8_t>& format_block,
                              const std::string& raw_path);

// A plain PCM wave ("fmt " of 16 bytes, "data") from samples in memory.
WaveStatus WritePcmWave(const std::string& wave_path, const PcmFormat& format,
                        const std::uint8_t* samples, std::size_t size_bytes);
inline WaveStatus WritePcmWave(const std::string& wave_path, const PcmFormat& format,
                               const std::vector<std::uint8_t>& samples) {
    return WritePcmWave(wave_path, format, samples.data(), samples.size());
}

}  // namespace kivo::wavefile
