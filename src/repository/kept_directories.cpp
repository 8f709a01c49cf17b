// Directories kept between one owner's calls, under a lock (calls may run
// on several threads); see kivo/repository/kept_directories.h.
#include "kivo/repository/kept_directories.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "kept_directory.h"

namespace kivo::repository {
namespace {

// The store and a container or two the program has open at a time.
constexpr std::size_t kKeptFilesAtMost = 4;

}  // namespace

struct KeptDirectories::Shelf {
    std::mutex mutex;
    std::deque<std::unique_ptr<KeptDirectory>> directories;  // the most recent last
};

KeptDirectories::KeptDirectories() : shelf_(std::make_unique<Shelf>()) {}

KeptDirectories::~KeptDirectories() = default;

std::unique_ptr<KeptDirectory> KeptDirectories::Take(const std::string& real_path) {
    std::lock_guard<std::mutex> lock(shelf_->mutex);
    auto& directories = shelf_->directories;
    auto found = std::find_if(directories.begin(), directories.end(),
                              [&](const auto& kept) { return kept->real_path == real_path; });
    if (found == directories.end()) {
        return nullptr;
    }
    std::unique_ptr<KeptDirectory> taken = std::move(*found);
    directories.erase(found);
    return taken;
}

void KeptDirectories::Keep(std::unique_ptr<KeptDirectory> kept) {
    std::lock_guard<std::mutex> lock(shelf_->mutex);
    auto& directories = shelf_->directories;
    std::erase_if(directories,
                  [&](const auto& other) { return other->real_path == kept->real_path; });
    directories.push_back(std::move(kept));
    while (directories.size() > kKeptFilesAtMost) {
        directories.pop_front();
    }
}

}  // namespace kivo::repository
