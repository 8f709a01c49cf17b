// RecorderTarget: where a recorder saves its record, and the profile values
// every recorder reads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kivo::core {
class DataStoreSession;
class ProfileFile;
}  // namespace kivo::core

namespace kivo::recorder {

struct RecorderTarget {
    std::filesystem::path working_folder;  // the open store's working folder
    std::filesystem::path store_path;      // the data store (".xrt")
    core::ProfileFile* profile = nullptr;  // hands out the record number ("RecID")
    std::string profile_section;
    int recording_quality = 0;  // RecQual, 0-3
    // Where take journals are kept (the writable home's "Takes"; made
    // when first needed). Empty: no journal is kept.
    std::filesystem::path takes_folder;
    // The session of the open store, when the recorder was opened on one
    // (BindToSession); null for a recorder given bare paths. A bound
    // recorder saves only into the store the session held when it was bound
    // (store_generation), under the store's writer lock, and its save puts
    // the container alone: the record log and index go into the session's
    // component journal.
    core::DataStoreSession* session = nullptr;
    std::uint64_t store_generation = 0;
};

// Binds target to the store session holds now: its working folder, store
// path, the session and its store generation.
void BindToSession(RecorderTarget& target, core::DataStoreSession& session);

// The RecQual value of the profile section: 0 to 3; anything else reads as 0.
int ReadRecordingQuality(const core::ProfileFile& profile, std::string_view section);

}  // namespace kivo::recorder
