// The spoken record's wave (see spoken_wave.h).
#include "spoken_wave.h"

#include <optional>

#include "kivo/recorder/log_date.h"
#include "kivo/translator/translation_save.h"
#include "kivo/wavefile/wave_reader.h"

namespace kivo::translator {
namespace {

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

}  // namespace

SpokenRecordWave SpeakRecordWave(const speech::SpeechRequest& request, int rec_qual,
                                 const recorder::RecordFiles& files) {
    SpokenRecordWave spoken;
    if (!SpeakIntoRecordWave(request, rec_qual, files)) {
        spoken.message = kMessageCannotCreateRecording;
        return spoken;
    }
    spoken.end_log_date = recorder::NowLogDate();
    spoken.length_ms = WaveLengthMs(files.wave_path());
    if (spoken.length_ms < 0)
        spoken.message = kMessageNoDuration;
    return spoken;
}

}  // namespace kivo::translator
