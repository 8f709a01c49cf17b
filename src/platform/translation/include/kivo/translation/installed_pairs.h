// The translation pairs installed in an Apertium data folder: one mode file
// "<from>-<to>.mode" a pair in the folder's "modes" sub-folder. Regional
// variants ("es-pt_BR.mode") and the development modes ("eng-spa-tagger")
// are not pairs of their own and are left out.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kivo::translation {

struct InstalledPair {
    std::string mode;       // "eng-spa": what the translator is run with
    std::string from_code;  // "eng"
    std::string to_code;    // "spa"
};

// The pairs of data_folder in name order; none when the folder or its
// "modes" sub-folder is missing or unreadable.
std::vector<InstalledPair> FindInstalledPairs(const std::filesystem::path& data_folder);

// True for a name of the form "<from>-<to>" with two or three lower-case
// letters on each side: the only mode names ever passed to the translator.
bool IsPlainModeName(const std::string& mode);

}  // namespace kivo::translation
