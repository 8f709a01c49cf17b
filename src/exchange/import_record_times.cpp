// When an imported file's recording began (see import_record_times.h).
#include "import_record_times.h"

#include <sys/stat.h>

#include <cstdio>
#include <optional>

#include "kivo/decoding/tag_date.h"

namespace kivo::exchange {

namespace fs = std::filesystem;

std::time_t StartOfImportedFile(const fs::path& source, const std::string& date_tag) {
    if (const std::optional<decoding::TagDate> tag = decoding::ParseTagDate(date_tag)) {
        std::tm local{};
        local.tm_year = tag->year - 1900;
        local.tm_mon = tag->month - 1;
        local.tm_mday = tag->day;
        local.tm_hour = tag->hour;
        local.tm_min = tag->minute;
        local.tm_sec = tag->second;
        local.tm_isdst = -1;
        const std::time_t start = std::mktime(&local);
        if (start != static_cast<std::time_t>(-1))
            return start;
    }
    struct stat status {};
    if (::stat(source.c_str(), &status) == 0)
        return status.st_mtime;
    return std::time(nullptr);
}

std::pair<std::string, std::string> DateAndTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    char date[48], time[48];
    std::snprintf(date, sizeof(date), "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    std::snprintf(time, sizeof(time), "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return {date, time};
}

}  // namespace kivo::exchange
