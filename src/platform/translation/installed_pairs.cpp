// Finding the installed translation pairs (see installed_pairs.h).
#include "kivo/translation/installed_pairs.h"

#include <algorithm>
#include <system_error>

namespace kivo::translation {
namespace {

bool IsLanguageCode(const std::string& text, std::size_t begin, std::size_t end) {
    const std::size_t length = end - begin;
    if (length < 2 || length > 3)
        return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(begin),
                       text.begin() + static_cast<std::ptrdiff_t>(end),
                       [](char c) { return c >= 'a' && c <= 'z'; });
}

}  // namespace

bool IsPlainModeName(const std::string& mode) {
    const std::size_t dash = mode.find('-');
    return dash != std::string::npos && mode.find('-', dash + 1) == std::string::npos &&
           IsLanguageCode(mode, 0, dash) && IsLanguageCode(mode, dash + 1, mode.size());
}

std::vector<InstalledPair> FindInstalledPairs(const std::filesystem::path& data_folder) {
    std::vector<InstalledPair> pairs;
    std::error_code error;
    std::filesystem::directory_iterator entries(data_folder / "modes", error);
    if (error)
        return pairs;
    for (const auto& entry : entries) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() != ".mode" || !entry.is_regular_file(error))
            continue;
        const std::string mode = path.stem().string();
        if (!IsPlainModeName(mode))
            continue;
        const std::size_t dash = mode.find('-');
        pairs.push_back({mode, mode.substr(0, dash), mode.substr(dash + 1)});
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const InstalledPair& a, const InstalledPair& b) { return a.mode < b.mode; });
    return pairs;
}

}  // namespace kivo::translation
