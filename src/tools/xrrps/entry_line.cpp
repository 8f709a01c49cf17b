// Formats entry-list nodes as the lines of "xrrps list".
#include "entry_line.h"

#include <cstdio>

namespace kivo::xrrps {

std::string FormatSystemTime(const RPS_SYSTEMTIME& time) {
    if (time.year == 0 && time.month == 0 && time.day == 0 && time.hour == 0 && time.minute == 0 &&
        time.second == 0 && time.milliseconds == 0) {
        return "-";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", unsigned{time.year},
                  unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                  unsigned{time.minute}, unsigned{time.second}, unsigned{time.milliseconds});
    return text;
}

std::string EscapeName(const char* name) {
    std::string text;
    if (name == nullptr) {
        return text;
    }
    for (const char* p = name; *p != '\0'; ++p) {
        unsigned char byte = static_cast<unsigned char>(*p);
        if (byte < 32 || byte == 127) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned{byte});
            text += escaped;
        } else if (byte == '\\') {
            text += "\\\\";
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

std::string FormatEntryLine(const RPS_ENTRY_INFO& entry) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%u\t%u\t", unsigned{entry.version},
                  unsigned{entry.size});
    char attributes[32];
    std::snprintf(attributes, sizeof attributes, "\t0x%X\t", unsigned{entry.attributes});
    std::string line = numbers;
    line += FormatSystemTime(entry.stored);
    line += attributes;
    line += entry.deleted != 0 ? 'D' : 'L';
    line += '\t';
    line += entry.nested == 'Y' || entry.nested == 'N' ? entry.nested : '?';
    line += '\t';
    line += EscapeName(entry.name);
    return line;
}

}  // namespace kivo::xrrps
