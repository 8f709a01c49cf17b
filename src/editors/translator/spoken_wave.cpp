// The spoken record's wave (see spoken_wave.h).
#include "spoken_wave.h"

#include <optional>

#include "kivo/wavefile/wave_reader.h"

namespace kivo::translator {

bool SpeakIntoRecordWave(const speech::SpeechRequest& request, int rec_qual,
                         const recorder::RecordFiles& files) {
    return speech::SynthesizeToWave(request, wavefile::FormatForQuality(rec_qual),
                                    files.wave_path().string())
        .ok();
}

std::int64_t WaveLengthMs(const std::filesystem::path& path) {
    wavefile::WaveInfo info;
    if (!wavefile::ReadWaveFileInfo(path.string(), &info).ok())
        return -1;
    const std::optional<wavefile::PcmFormat> format = info.format.AsPlayablePcm();
    if (!format)
        return -1;
    return wavefile::FramesToMs(static_cast<std::int64_t>(info.frames()), *format);
}

}  // namespace kivo::translator
