// The recording quality of the profile (see recorder_target.h).
#include "kivo/recorder/recorder_target.h"

#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"

namespace kivo::recorder {

void BindToSession(RecorderTarget& target, core::DataStoreSession& session) {
    target.working_folder = session.working_folder();
    target.store_path = session.store_path();
    target.session = &session;
    target.store_generation = session.store_generation();
}

int ReadRecordingQuality(const core::ProfileFile& profile, std::string_view section) {
    const std::string text = profile.Read(section, "RecQual");
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '3')
        return text[0] - '0';
    return 0;
}

}  // namespace kivo::recorder
