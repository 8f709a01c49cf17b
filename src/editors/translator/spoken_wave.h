// What both spoken-record saves share: the speech written as the record's
// wave at the recording quality, and the wave's length.
#pragma once

#include <cstdint>
#include <filesystem>

#include "kivo/recorder/record_files.h"
#include "kivo/speech/speech_synthesizer.h"

namespace kivo::translator {

// Speaks request into files.wave_path() at the recording quality rec_qual;
// false when no speech could be made or written.
bool SpeakIntoRecordWave(const speech::SpeechRequest& request, int rec_qual,
                         const recorder::RecordFiles& files);

// The wave's length in milliseconds, or -1 when it cannot be read.
std::int64_t WaveLengthMs(const std::filesystem::path& path);

}  // namespace kivo::translator
