// Files and folders under fresh names: see unique_names.h.
#include "store/unique_names.h"

#include <cerrno>
#include <random>

namespace kivo::recordstore {
namespace {

// As many names as are tried before giving up on a folder that seems full.
constexpr int kAttempts = 100;
constexpr std::size_t kRandomCharacters = 6;

std::string RandomName(const std::string& prefix, std::random_device& random) {
    static constexpr char kCharacters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kCharacters - 2);
    std::string name = prefix;
    for (std::size_t i = 0; i < kRandomCharacters; ++i)
        name.push_back(kCharacters[pick(random)]);
    return name;
}

}  // namespace

filesystem::FsResult<std::unique_ptr<filesystem::File>> CreateUniqueFile(
    filesystem::FileSystem& file_system, const std::string& prefix, std::string* path) {
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.creation = filesystem::Creation::kCreateNew;
    options.follow_symbolic_links = false;
    options.permissions = 0600;
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string candidate = RandomName(prefix, random);
        auto opened = file_system.Open(candidate, options);
        if (opened.ok()) {
            *path = candidate;
            return opened;
        }
        if (opened.status.error_number() != EEXIST)
            return opened;
    }
    return filesystem::FsResult<std::unique_ptr<filesystem::File>>::Failure(EEXIST);
}

filesystem::FsStatus MakeUniqueFolder(filesystem::FileSystem& file_system,
                                      const std::string& prefix, std::string* path) {
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string candidate = RandomName(prefix, random);
        const filesystem::FsStatus made = file_system.MakeDirectory(candidate, 0700);
        if (made.ok()) {
            *path = candidate;
            return made;
        }
        if (made.error_number() != EEXIST)
            return made;
    }
    return filesystem::FsStatus::Error(EEXIST);
}

}  // namespace kivo::recordstore
