// The start and end of a recording as a record keeps them: the date
// library's log date, "dd/mm/yyyy HH:MM:SS", which a record line stores as
// two words (a date and a time field).
#pragma once

#include <string>
#include <utility>

namespace kivo::recorder {

// Now, as a log date (the date library's clock).
std::string NowLogDate();

// A log date split into its date and time words; a text without a space is
// all date.
std::pair<std::string, std::string> SplitLogDate(const std::string& log_date);

}  // namespace kivo::recorder
