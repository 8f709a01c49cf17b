// MergeRecordings: the recordings of the merge list joined into
// "search.wav" in the working folder: each container is unpacked from the
// data store (its media decoded to a wave), then the waves are joined by
// audio::MergeWaves. Only sound recordings (".xrz") can be merged.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "kivo/search/record_search.h"

namespace kivo::searching {

inline constexpr const char* kMergedWaveName = "search.wav";

struct RecordingMergeResult {
    bool ok = false;
    std::string error;           // for the user, when not ok
    std::filesystem::path wave;  // the joined wave
    std::uint64_t frames = 0;
};

RecordingMergeResult MergeRecordings(const std::vector<search::SearchRow>& entries,
                                     const std::filesystem::path& working_folder,
                                     const std::filesystem::path& store_path);

}  // namespace kivo::searching
