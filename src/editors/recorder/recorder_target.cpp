// The recording quality of the profile (see recorder_target.h).
#include "kivo/recorder/recorder_target.h"

#include "kivo/core/profile_file.h"

namespace kivo::recorder {

int ReadRecordingQuality(const core::ProfileFile& profile, std::string_view section) {
    const std::string text = profile.Read(section, "RecQual");
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '3')
        return text[0] - '0';
    return 0;
}

}  // namespace kivo::recorder
