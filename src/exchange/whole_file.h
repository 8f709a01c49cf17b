// Reading and writing a small file of the export's working copies whole.
#pragma once

#include <filesystem>
#include <string>

namespace kivo::exchange {

// False when the file cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string* bytes);
// Replaces the file's content; false when it cannot be written.
bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace kivo::exchange
