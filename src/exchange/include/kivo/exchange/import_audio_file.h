// AudioFileImport: one audio file (MP3, OGG, WMA, WAV) made a new message
// record of kind "5": decoded and resampled, streaming, to the recording
// quality of the "RecQual" setting, then saved as every new record is
// (recorder::NewRecordSave). The subject is the file's title tag, else its
// name; the start is the file's date tag, else the time it was last written;
// the end is the start plus the length.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "kivo/decoding/stop_request.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::exchange {

// What the worker reports while one file is imported: kind 0 the current
// file's progress (0 to 100), kind 2 the status (0 converting, 1 adjusting
// quality, 2 saving, 3 done). (Kind 1, the file's number, is the run's.)
using AudioImportProgress = std::function<void(int kind, int value)>;

struct AudioImportResult {
    enum class Outcome { kImported, kStopped, kUndecodable, kNotSaved };
    Outcome outcome = Outcome::kNotSaved;
    std::string reason;              // for kUndecodable and kNotSaved
    int message = 0;                 // the save's message code for kNotSaved (or 110)
    std::int32_t record_number = 0;  // when stored
    std::int64_t length_ms = 0;      // of the decoded audio
    bool ok() const { return outcome == Outcome::kImported; }
};

// Runs a record's save (the function given) and returns its message code.
// A program whose store session belongs to another thread passes one that
// runs the save there.
using SaveRunner = std::function<int(const std::function<int()>& save)>;

class AudioFileImport {
public:
    AudioFileImport(const recorder::RecorderTarget& target, const decoding::StopRequest* stop,
                    SaveRunner run_save = {})
        : target_(target), stop_(stop), run_save_(std::move(run_save)) {}

    AudioImportResult Import(const std::filesystem::path& source,
                             const AudioImportProgress& progress = {}) const;

private:
    const recorder::RecorderTarget& target_;
    const decoding::StopRequest* stop_;
    SaveRunner run_save_;
};

}  // namespace kivo::exchange
