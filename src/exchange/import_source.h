// Whether a file chosen or dropped for import may be read at all. A name says
// nothing of what lies behind it: a pipe without a writer blocks its reader
// in open() for good, and a device such as /dev/zero never ends, so only a
// regular file (a symbolic link to one included) is handed to a decoder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kivo::exchange {

// Why source cannot be imported; nullopt when it is a regular file.
std::optional<std::string> ImportSourceRefusal(const std::filesystem::path& source);

}  // namespace kivo::exchange
