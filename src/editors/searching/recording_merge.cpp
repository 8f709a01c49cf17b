#include "kivo/searching/recording_merge.h"

#include "kivo/audio/wave_merge.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/recording_container.h"

namespace kivo::searching {
namespace {

bool IsSoundRecording(const std::string& name) {
    return name.size() > recordstore::kAudioContainerExtension.size() &&
           name.starts_with(recordstore::kContainerPrefix) &&
           name.ends_with(recordstore::kAudioContainerExtension) &&
           name.find('/') == std::string::npos;
}

}  // namespace

RecordingMergeResult MergeRecordings(const std::vector<search::SearchRow>& entries,
                                     const std::filesystem::path& working_folder,
                                     const std::filesystem::path& store_path) {
    RecordingMergeResult result;
    if (entries.size() < 2) {
        result.error = "Put two or more recordings in the merge list to merge them.";
        return result;
    }
    std::vector<std::string> waves;
    for (const search::SearchRow& entry : entries) {
        if (!IsSoundRecording(entry.recording_file)) {
            result.error = "Record " + entry.id + " has no sound recording that can be merged.";
            return result;
        }
        const recordstore::RecordingContainer container(entry.recording_file,
                                                        recordstore::MediaKind::kAudio);
        if (container.OpenFromStore(working_folder.string(), store_path.string(),
                                    static_cast<int>(recordstore::MemberSelector::kMedia)) !=
            recordstore::ContainerResult::kDone) {
            result.error =
                "The recording of record " + entry.id + " could not be read from the data store.";
            return result;
        }
        waves.push_back((working_folder / container.media_name()).string());
    }
    result.wave = working_folder / kMergedWaveName;
    const audio::WaveMergeResult merged = audio::MergeWaves(waves, result.wave.string());
    if (!merged.ok) {
        result.error = "The recordings could not be merged: " + merged.error;
        return result;
    }
    result.ok = true;
    result.frames = merged.frames;
    return result;
}

}  // namespace kivo::searching
