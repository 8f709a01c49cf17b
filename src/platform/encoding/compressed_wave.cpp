// Compressed waves: recognised by "OggS", expanded through TranscodeAudio.
#include "kivo/encoding/compressed_wave.h"

#include <cstdint>
#include <cstdio>

#include "kivo/encoding/audio_transcode.h"

namespace kivo::encoding {
namespace {

// A RIFF wave keeps its size in 32 bits. The expansion stops at 2^29 frames
// (2 GiB of stereo 16-bit sound, over three hours at 44.1 kHz): a small
// hostile stream that claims more is refused rather than filling the disk.
constexpr std::int64_t kMaxExpandedFrames = std::int64_t{1} << 29;

}  // namespace

bool IsCompressedWave(const std::string& path) {
    char magic[4] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    const std::size_t got = std::fread(magic, 1, sizeof magic, file);
    std::fclose(file);
    return got == sizeof magic && std::string(magic, 4) == "OggS";
}

bool ExpandCompressedWave(const std::string& source, const std::string& target, std::string* why) {
    if (!IsCompressedWave(source)) {
        if (why != nullptr)
            *why = source + " is not a compressed wave";
        return false;
    }
    EncodeSettings plain_wave;
    plain_wave.max_frames = kMaxExpandedFrames;
    const TranscodeResult result = TranscodeAudio(source, target, plain_wave);
    if (!result.ok) {
        std::remove(target.c_str());
        if (why != nullptr)
            *why = result.message;
        return false;
    }
    return true;
}

bool ExpandCompressedWaveInPlace(const std::string& path, std::string* why) {
    if (!IsCompressedWave(path))
        return true;
    const std::string expanded = path + ".expanding";
    if (!ExpandCompressedWave(path, expanded, why))
        return false;
    if (std::rename(expanded.c_str(), path.c_str()) != 0) {
        std::remove(expanded.c_str());
        if (why != nullptr)
            *why = path + " could not be replaced";
        return false;
    }
    return true;
}

}  // namespace kivo::encoding
