// Saving a video capture that the program left behind when it ended while
// the video recorder was open (video_take_journal.h): the capture, cut off
// where the crash came, is converted to the record's WMV and saved as a new
// video record with the subject, keywords and marks the journal kept, as the
// recorder would have saved it. The start-up offers it.
#pragma once

#include <string>

#include "kivo/core/user_messages.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/video/video_take_journal.h"

namespace kivo::video {

inline constexpr const char* kVideoTakeNotRecoveredText =
    "The interrupted video recording could not be recovered; it is offered again at the next "
    "start.";

// "A video recording "Porch" (started 08/12/2026 10:00:00) was interrupted
// before it was saved. Do you want to save what was captured as a new video
// record? No deletes it."
std::string VideoRecoveryQuestion(const LeftoverVideoTake& take);

// Saves the take as a new record into target's store and removes the take.
// 0, or the message code (108: nothing of the capture could be read, the
// take is kept; 109 and 110 as the recorder kit says, the take is kept
// unless the record was stored).
int RecoverVideoTake(const LeftoverVideoTake& take, const recorder::RecorderTarget& target);

// The start-up offer: asks VideoRecoveryQuestion for every left-over take in
// takes_folder. Yes saves it (a failure says kVideoTakeNotRecoveredText and
// keeps it), No deletes it. The number of records saved.
int OfferLeftoverVideoTakes(const std::filesystem::path& takes_folder,
                            const recorder::RecorderTarget& target,
                            core::MessageReporter& reporter);

}  // namespace kivo::video
