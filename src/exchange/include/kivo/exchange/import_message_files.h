// Importing recording files (".xrz", and ".xrv" for "Kivo Video File")
// chosen on disk, each through
// RecordingImport, and the count the user is told ("2 of 3 Kivo files
// successfully imported.").
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "kivo/exchange/import_recording.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::exchange {

struct MessageFileOutcome {
    std::filesystem::path file;
    RecordingImportResult result;
};

struct MessageFilesImport {
    std::vector<MessageFileOutcome> outcomes;  // in the order given
    std::size_t imported() const;
    // "<imported> of <total> Kivo files successfully imported."
    std::string SummaryText() const;
};

MessageFilesImport ImportMessageFiles(const recorder::RecorderTarget& target,
                                      const std::vector<std::filesystem::path>& files);

}  // namespace kivo::exchange
