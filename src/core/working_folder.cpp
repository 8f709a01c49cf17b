// The private working folder; see working_folder.h.
#include "kivo/core/working_folder.h"

#include <fnmatch.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <system_error>
#include <vector>

namespace kivo::core {

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    std::string p(pattern), n(name);
    return ::fnmatch(p.c_str(), n.c_str(), FNM_PERIOD) == 0;
}

WorkingFolder::~WorkingFolder() {
    Remove();
}

WorkingFolder::WorkingFolder(WorkingFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

WorkingFolder& WorkingFolder::operator=(WorkingFolder&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

int WorkingFolder::Create(const std::filesystem::path& temp_root) {
    Remove();
    std::filesystem::path root = temp_root;
    if (root.empty()) {
        const char* tmpdir = std::getenv("TMPDIR");
        root = (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
    }
    std::string pattern = (root / (std::string(kWorkingFolderPrefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return kWorkingFolderFailed;  // mode 0700
    path_ = pattern;
    return 0;
}

void WorkingFolder::DeleteMatching(std::string_view pattern) {
    if (path_.empty())
        return;
    DeleteMatchingIn(path_, pattern);
}

void DeleteMatchingIn(const std::filesystem::path& folder, std::string_view pattern) {
    // Collect first, then delete, so removal never disturbs the listing.
    std::vector<std::filesystem::path> doomed;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (MatchesWildcard(pattern, it->path().filename().string()))
            doomed.push_back(it->path());
    }
    for (const auto& path : doomed) {
        std::error_code remove_ec;
        // remove_all removes a symbolic link itself, never what it points to.
        std::filesystem::remove_all(path, remove_ec);
    }
}

void WorkingFolder::Remove() {
    if (path_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    path_.clear();
}

int PrepareWorkingFolder(WorkingFolder& folder, int mode, std::string_view pattern) {
    switch (mode) {
        case 1:
            if (folder.Create() != 0)
                return kWorkingFolderFailed;
            folder.DeleteMatching(pattern);
            return 0;
        case 0:
            folder.DeleteMatching(pattern);
            return 0;
        case 2:
            folder.DeleteMatching(pattern);
            folder.Remove();
            return 0;
        default:
            return 0;
    }
}

}  // namespace kivo::core
