// Whether a file may be imported (see import_source.h).
#include "import_source.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace kivo::exchange {

std::optional<std::string> ImportSourceRefusal(const std::filesystem::path& source) {
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0)
        return std::string("the file cannot be read (") + std::strerror(errno) + ")";
    if (!S_ISREG(st.st_mode))
        return std::string("not a regular file");
    return std::nullopt;
}

}  // namespace kivo::exchange
