// The phone record of a call the answering machine took: kind "2", the
// caller's name (field 3) and number (field 5), start and end, duration,
// "7" in field 13 (a new message, until it is heard) and quality 0 (the
// line's 8 kHz mono 16-bit audio). It goes to the phone-call log, and the
// index knows it as "Answer Machine Message".
#pragma once

#include <cstdint>
#include <string>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"

namespace kivo::phone {

inline constexpr const char* kAnswerMachineTitle = "Answer Machine Message";
inline constexpr const char* kNewMessageMark = "7";

struct AnsweredCall {
    std::string caller_name;     // cleaned by the telephony library; may be empty
    std::string caller_number;   // empty when withheld
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"
    std::string end_log_date;
    std::int64_t duration_ms = 0;
};

recorder::NewRecord AnswerMachineRecord(const AnsweredCall& call,
                                        const recorder::RecordFiles& files);

}  // namespace kivo::phone
