// The library's trace: short fixed lines ending in a line feed ("ringing\n",
// "Idle start\n"), for developers only. The owner decides where they go; by
// default they are dropped.
#pragma once

#include <functional>
#include <string_view>

namespace kivo::telephony {

using DebugSink = std::function<void(std::string_view line)>;

// A sink that writes to standard error when the environment variable
// KIVO_TAPI_DEBUG is set, and drops the lines otherwise.
DebugSink EnvironmentDebugSink();

}  // namespace kivo::telephony
