// A private folder of one's own (see private_folder.h).
#include "private_folder.h"

#include <stdlib.h>

#include <string>
#include <system_error>
#include <vector>

namespace kivo::exchange {

PrivateFolder::PrivateFolder(const std::filesystem::path& parent, std::string_view prefix) {
    std::string pattern = (parent / (std::string(prefix) + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) != nullptr)
        path_ = buffer.data();
}

PrivateFolder::~PrivateFolder() {
    if (path_.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

}  // namespace kivo::exchange
