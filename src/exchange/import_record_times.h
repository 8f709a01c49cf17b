// When an imported file's recording began and ended, as record fields.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <utility>

namespace kivo::exchange {

// The date tag when it names a day, else the time the file was last written
// (local time), else now.
std::time_t StartOfImportedFile(const std::filesystem::path& source, const std::string& date_tag);

// "dd/mm/yyyy" and "HH:MM:SS" of a moment, local time.
std::pair<std::string, std::string> DateAndTime(std::time_t moment);

}  // namespace kivo::exchange
