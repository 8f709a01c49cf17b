// Splitting nested repository paths.
#include "repository_path.h"

#include "kivo/repository/repository_format.h"

namespace kivo::repository {

std::vector<std::string> SplitNestedPath(const std::string& path) {
    const std::string separator = format::kNestedSeparator;
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (;;) {
        std::string::size_type found = path.find(separator, begin);
        if (found == std::string::npos) {
            parts.push_back(path.substr(begin));
            return parts;
        }
        parts.push_back(path.substr(begin, found - begin));
        begin = found + separator.size();
    }
}

}  // namespace kivo::repository
