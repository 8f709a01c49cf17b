#include "kivo/telephony/debug_log.h"

#include <cstdio>
#include <cstdlib>

namespace kivo::telephony {

DebugSink EnvironmentDebugSink() {
    if (std::getenv("KIVO_TAPI_DEBUG") == nullptr) {
        return [](std::string_view) {};
    }
    return [](std::string_view line) { std::fwrite(line.data(), 1, line.size(), stderr); };
}

}  // namespace kivo::telephony
