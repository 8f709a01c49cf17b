// Log dates of recordings (see log_date.h).
#include "kivo/recorder/log_date.h"

#include "qldate.h"

namespace kivo::recorder {

std::string NowLogDate() {
    char text[QLDATE_BUFFER_BYTES] = {};
    LogDate(text);
    return text;
}

std::pair<std::string, std::string> SplitLogDate(const std::string& log_date) {
    const std::size_t space = log_date.find(' ');
    if (space == std::string::npos)
        return {log_date, std::string()};
    return {log_date.substr(0, space), log_date.substr(space + 1)};
}

}  // namespace kivo::recorder
