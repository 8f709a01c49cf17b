// The text forms xrrps prints for the engine's entry list: one tab-separated
// line per entry, times in ISO 8601 (UTC), names made safe for a terminal.
#pragma once

#include <string>

#include "zn2xrrps.h"

namespace kivo::xrrps {

// "version<TAB>size<TAB>stored<TAB>attributes<TAB>L|D<TAB>Y|N|?<TAB>name".
std::string FormatEntryLine(const RPS_ENTRY_INFO& entry);

// "2024-05-01T09:30:00.250Z", or "-" for an all-zero time (one the "XR00"
// format does not keep).
std::string FormatSystemTime(const RPS_SYSTEMTIME& time);

// The name with every control byte (0-31, 127) written as \xNN and each
// backslash as \\, so a hostile name can neither break the line nor steer the
// terminal. Other bytes (UTF-8 included) pass unchanged.
std::string EscapeName(const char* name);

}  // namespace kivo::xrrps
