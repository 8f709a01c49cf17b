// AudioImportRun: the audio import worker's work: the whole selection, in
// order, each file through AudioFileImport (a video file through
// VideoFileImport), reporting as the progress dialog
// shows it (kind 0 the current file's bar, kind 1 the file's index from 0,
// kind 2 the status) and adding an error row for every file that failed. A
// stop request ends the run after the file being converted, which gets the
// row "Import stopped"; the records made so far stay. Run again ("Re-Start")
// begins with the first file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kivo/decoding/stop_request.h"
#include "kivo/exchange/import_audio_file.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::exchange {

// One row of the error list: the file's name and what went wrong.
struct AudioImportError {
    std::string file;
    std::string error;
};

struct AudioImportEvents {
    AudioImportProgress progress;                            // kinds 0, 1, 2
    std::function<void(const AudioImportError&)> error_row;  // a failed file
    // After each stored record, e.g. to make the store's working copies durable.
    std::function<void(std::int32_t record_number)> stored;
    // Runs each record's save, e.g. on the thread that owns the store's
    // session; empty: the save runs on the importing thread.
    SaveRunner run_save;
};

class AudioImportRun {
public:
    AudioImportRun(const recorder::RecorderTarget& target,
                   std::vector<std::filesystem::path> selection)
        : target_(target), selection_(std::move(selection)) {}

    const std::vector<std::filesystem::path>& selection() const { return selection_; }
    // Set from any thread; cleared by Run when it begins.
    decoding::StopRequest& stop_request() { return stop_; }

    // True when every file was tried; false when a stop ended the run.
    bool Run(const AudioImportEvents& events);

    // The records this run (the last Run) made, in order.
    const std::vector<std::int32_t>& imported() const { return imported_; }

private:
    const recorder::RecorderTarget target_;
    std::vector<std::filesystem::path> selection_;
    decoding::StopRequest stop_;
    std::vector<std::int32_t> imported_;
};

}  // namespace kivo::exchange
