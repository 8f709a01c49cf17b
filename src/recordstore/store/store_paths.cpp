// Path and name helpers: see store_paths.h.
#include "store/store_paths.h"

namespace kivo::recordstore {

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string BaseName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool IsSafeMemberName(std::string_view name) {
    constexpr std::size_t kMaxNameBytes = 255;
    if (name.empty() || name.size() > kMaxNameBytes)
        return false;
    if (name.find("..") != std::string_view::npos || name == ".")
        return false;
    if (name.back() == '.' || name.back() == ' ')
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':')
            return false;
    }
    return true;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool PathExists(filesystem::FileSystem& file_system, const std::string& path) {
    return file_system.Stat(path, /*follow_symbolic_links=*/false).ok();
}

}  // namespace kivo::recordstore
