// Wave check and decompression: a plain PCM wave plays as it is; the
// recording compressor's Ogg Vorbis stream is decoded back into a wave.
#include "wave_decompression.h"

#include "kivo/encoding/compressed_wave.h"
#include "kivo/wavefile/wave_reader.h"

namespace kivo::player {
int Zn2WavCheck(const std::string& path) {
    wavefile::WaveInfo info;
    if (!wavefile::ReadWaveFileInfo(path, &info).ok())
        return 0;
    return info.format.AsPlayablePcm().has_value() ? 1 : 0;
}

int Zn2WavDeCompX(const std::string& source, const std::string& target) {
    return encoding::ExpandCompressedWave(source, target) ? 0 : 1;
}

}  // namespace kivo::player
