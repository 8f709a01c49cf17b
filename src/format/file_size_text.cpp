// The size of a file as the mail texts show it (see file_size_text.h).
#include "kivo/format/file_size_text.h"

#include <cstdio>

namespace kivo::format {

std::string FileSizeText(std::uint64_t size_bytes) {
    const double bytes = static_cast<double>(size_bytes);
    double value = bytes;
    const char* unit = "bytes";
    if (bytes / 1073741824.0 >= 1.0) {
        value = bytes / 1073741824.0;
        unit = "GB";
    } else if (bytes / 1048576.0 >= 1.0) {
        value = bytes / 1048576.0;
        unit = "MB";
    } else if (bytes / 1024.0 >= 1.0) {
        value = bytes / 1024.0;
        unit = "KB";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f %s", value, unit);
    return text;
}

}  // namespace kivo::format
