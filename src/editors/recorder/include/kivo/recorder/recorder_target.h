// RecorderTarget: where a recorder saves its record, and the profile values
// every recorder reads.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kivo::core {
class ProfileFile;
}

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
};

// The RecQual value of the profile section: 0 to 3; anything else reads as 0.
int ReadRecordingQuality(const core::ProfileFile& profile, std::string_view section);

}  // namespace kivo::recorder
