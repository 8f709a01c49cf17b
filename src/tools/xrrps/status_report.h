// Passes the engine's status record on to the user: every message goes to
// standard error exactly as the engine wrote it, one a line.
#pragma once

#include "kivo/repository/status_record.h"
#include "zn2xrrps.h"

namespace kivo::xrrps {

// Prints the messages of a call's result and tells whether the call succeeded,
// that is, added no message. Null (the engine's success) succeeds; RPS_Info and
// RPS_AllInfo always return the record, which then succeeds when it holds no
// message.
bool ReportStatus(const RPS_STATUS* status);
// The same for a result of the C++ engine (commands that hold the writer lock).
bool ReportStatus(const repository::StatusRecord& status);

// Exit status of the tool: 0 when every engine call succeeded, 1 otherwise.
inline int ExitStatus(bool succeeded) {
    return succeeded ? 0 : 1;
}

inline constexpr int kUsageExitStatus = 2;

}  // namespace kivo::xrrps
