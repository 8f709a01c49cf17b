// The message table of the engine and its formatting.
#include "messages.h"

#include <array>

namespace kivo::repository {
namespace {

struct MessageDefinition {
    const char* format;
    int severity;
};

// Identifiers 1 to 23 in code order.
constexpr std::array<MessageDefinition, 23> kMessageTable = {{
    {"RPS01 Unable to open repository file (%s) - %s", kSeverityFailure},
    {"RPS02 I/O error accessing repository (%i) - %s", kSeverityIo},
    {"RPS03 Unable to open file %s - %s", kSeverityFailure},
    {"RPS04 I/O error accessing file %s (%i) - %s", kSeverityFailure},
    {"RPS05 Invalid header in Repository file (%i)", kSeverityHeader},
    {"RPS06 Memory allocation error (%i)", kSeverityFailure},
    {"RPS07 File %s not found in Repository", kSeverityFailure},
    {"RPS08 File %s exceeds 4Gb maximum filesize", kSeverityFailure},
    {"RPS09 Windows returned an invalid filesize - %s", kSeverityFailure},
    {"RPS10 Windows failed to set file pointer (%i) - %s", kSeverityIo},
    {"RPS11 Invalid directory entry in Repository file", kSeverityDirectory},
    {"RPS12 Repository file exceeded its maximum size (%i)", kSeverityFailure},
    {"RPS13 Unable to identify volume filesystem - %s", kSeverityFailure},
    {"RPS14 Error in FindFirstFile - %s", kSeverityFailure},
    {"RPS15 Error in FindNextFile - %s", kSeverityFailure},
    {"RPS16 Error in FindClose - %s", kSeverityFailure},
    {"RPS17 Version %i of file %s not found in Repository", kSeverityFailure},
    {"RPS18 Error getting attributes of file %s - %s", kSeverityFailure},
    {"RPS19 Error setting attributes of file %s - %s", kSeverityFailure},
    {"RPS20 Invalid internal directory entry in Repository file (%i)", kSeverityHeader},
    {"RPS21 Directory field #%i is corrupt for filename %s", kSeverityDirectory},
    {"RPS22 Function not supported in embedded Repositories", kSeverityFailure},
    {"RPS23 File size of %s is not equal to memory supplied", kSeverityFailure},
}};

// The table's texts were formatted into a buffer of 1,000 characters.
constexpr std::size_t kMaxMessageCharacters = 999;

std::string ArgumentText(const MessageArgument& argument) {
    if (const auto* number = std::get_if<std::int64_t>(&argument)) {
        return std::to_string(*number);
    }
    return std::get<std::string>(argument);
}

}  // namespace

Message MakeMessage(MessageCode code, const std::vector<MessageArgument>& arguments) {
    const MessageDefinition& definition = kMessageTable[static_cast<std::size_t>(code) - 1];
    std::string text;
    std::size_t next_argument = 0;
    for (const char* p = definition.format; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'i')) {
            if (next_argument < arguments.size()) {
                text += ArgumentText(arguments[next_argument]);
            }
            ++next_argument;
            ++p;
        } else {
            text.push_back(*p);
        }
    }
    if (text.size() > kMaxMessageCharacters) {
        text.resize(kMaxMessageCharacters);
    }
    return Message{code, std::move(text), definition.severity};
}

}  // namespace kivo::repository
