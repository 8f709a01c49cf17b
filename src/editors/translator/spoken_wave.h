// What both spoken-record saves share: the speech written as the record's
// wave at the recording quality, and the wave's length.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "kivo/recorder/record_files.h"
#include "kivo/speech/speech_synthesizer.h"

namespace kivo::translator {

// What speaking a record's wave gave: message 0 with the wave's length and
// the time speaking ended, or the message code (811: no speech could be
// made; 810: its length could not be read).
struct SpokenRecordWave {
    int message = 0;
    std::int64_t length_ms = 0;
    std::string end_log_date;
};

// Speaks request into files.wave_path() and measures it. Touches only the
// record's working files, so it may run on any thread.
SpokenRecordWave SpeakRecordWave(const speech::SpeechRequest& request, int rec_qual,
                                 const recorder::RecordFiles& files);

}  // namespace kivo::translator
