// Recording names; see recording_name.h.
#include "kivo/core/recording_name.h"

#include <algorithm>
#include <cstdio>

namespace kivo::core {
namespace {

constexpr std::string_view kRecordingPrefix = "D";
constexpr std::string_view kRecordingExtensions[] = {".xrz", ".xrv"};

bool IsStampCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool IsRecordingName(std::string_view name) {
    if (!name.starts_with(kRecordingPrefix))
        return false;
    for (std::string_view extension : kRecordingExtensions) {
        if (!name.ends_with(extension))
            continue;
        const std::string_view stamp = name.substr(
            kRecordingPrefix.size(), name.size() - kRecordingPrefix.size() - extension.size());
        return name.size() > kRecordingPrefix.size() + extension.size() &&
               stamp.size() <= kMaxRecordingStampChars &&
               std::all_of(stamp.begin(), stamp.end(), IsStampCharacter);
    }
    return false;
}

std::string QuotedName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string NotARecordingText(std::int32_t record_number, std::string_view name) {
    char number[16];
    std::snprintf(number, sizeof number, "%08d", record_number);
    return std::string("record ") + number + " names " + QuotedName(name) +
           " as its recording, which is not a recording name";
}

}  // namespace kivo::core
