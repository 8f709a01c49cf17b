// The process's kept directories, under a lock (calls may run on several
// threads).
#include "directory_cache.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace kivo::repository {
namespace {

// The store and a container or two the program has open at a time.
constexpr std::size_t kKeptFilesAtMost = 4;

struct Kept {
    std::mutex mutex;
    std::deque<KeptDirectory> directories;  // the most recent last
};

Kept& TheKept() {
    static Kept kept;
    return kept;
}

}  // namespace

std::optional<KeptDirectory> TakeKeptDirectory(const std::string& real_path) {
    Kept& kept = TheKept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    auto found = std::find_if(kept.directories.begin(), kept.directories.end(),
                              [&](const KeptDirectory& k) { return k.real_path == real_path; });
    if (found == kept.directories.end()) {
        return std::nullopt;
    }
    KeptDirectory taken = std::move(*found);
    kept.directories.erase(found);
    return taken;
}

void KeepDirectory(KeptDirectory directory) {
    Kept& kept = TheKept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    std::erase_if(kept.directories,
                  [&](const KeptDirectory& k) { return k.real_path == directory.real_path; });
    kept.directories.push_back(std::move(directory));
    while (kept.directories.size() > kKeptFilesAtMost) {
        kept.directories.pop_front();
    }
}

}  // namespace kivo::repository
