// The phone record of a call the user recorded in the Phone Recorder: kind
// "3", the other party's name (field 3), the call's cost (field 4) and
// number (field 5), start and end, duration, quality 0 (the line's 8 kHz
// mono 16-bit audio), the marks without their type. It goes to the
// phone-call log; the index knows it by its keywords and mark comments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_marks.h"

namespace kivo::phone {

struct RecordedCall {
    std::string caller_name;
    std::string caller_number;
    std::string cost;            // as shown ("£1.20"); empty without a cost per minute
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"
    std::string end_log_date;
    std::int64_t duration_ms = 0;
    std::string keywords;
    std::vector<recorder::RecorderMark> marks;
};

recorder::NewRecord RecordedCallRecord(const RecordedCall& call,
                                       const recorder::RecordFiles& files);

}  // namespace kivo::phone
