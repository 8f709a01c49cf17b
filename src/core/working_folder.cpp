// The private working folder; see working_folder.h.
#include "kivo/core/working_folder.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>
#include <vector>

namespace kivo::core {
namespace {

// mkdtemp's six random characters after the prefix.
constexpr std::size_t kUniqueSuffixChars = 6;
// A fresh folder lost to a cleaner in the moment before its lock is taken is
// replaced by another; more losses in a row than this mean something else
// is wrong.
constexpr int kCreateAttempts = 8;
// Private (0700), with the sticky bit as the sign that the folder's owner
// holds its lock: folders of older versions, which hold none, lack it and
// are never taken for stale.
constexpr mode_t kLockedFolderMode = S_ISVTX | S_IRWXU;

std::filesystem::path TempRoot(const std::filesystem::path& temp_root) {
    if (!temp_root.empty())
        return temp_root;
    const char* tmpdir = std::getenv("TMPDIR");
    return (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the folder and takes its lock without waiting. Returns the open
// folder, or -1 when it cannot be opened, is locked by someone else, or no
// longer is the folder at that path.
int LockFolder(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    struct stat opened {
    }, named{};
    if (locked != 0 || ::fstat(fd, &opened) != 0 || ::lstat(path.c_str(), &named) != 0 ||
        !SameFile(opened, named)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool LooksLikeWorkingFolder(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    const std::string_view prefix = kWorkingFolderPrefix;
    if (name.size() != prefix.size() + kUniqueSuffixChars || !name.starts_with(prefix))
        return false;
    struct stat st {};
    return ::lstat(entry.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & S_ISVTX) != 0 && st.st_uid == ::geteuid();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    std::string p(pattern), n(name);
    return ::fnmatch(p.c_str(), n.c_str(), FNM_PERIOD) == 0;
}

WorkingFolder::~WorkingFolder() {
    Remove();
}

WorkingFolder::WorkingFolder(WorkingFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_fd_(other.lock_fd_) {
    other.path_.clear();
    other.lock_fd_ = -1;
}

WorkingFolder& WorkingFolder::operator=(WorkingFolder&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        lock_fd_ = other.lock_fd_;
        other.path_.clear();
        other.lock_fd_ = -1;
    }
    return *this;
}

namespace {

// A working folder is made under a name of its own (kNewFolderPrefix),
// locked and marked, and only then given its working folder's name, so a run
// killed in between never leaves a folder of that name that no one holds.
constexpr std::string_view kNewFolderPrefix = ".kivo-new-";

std::string RandomSuffix() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
    std::string suffix;
    for (std::size_t i = 0; i < kUniqueSuffixChars; ++i)
        suffix += kLetters[pick(device)];
    return suffix;
}

}  // namespace

int WorkingFolder::Create(const std::filesystem::path& temp_root) {
    Remove();
    const std::filesystem::path root = TempRoot(temp_root);
    RemoveStaleWorkingFolders(root);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string fresh = (root / (std::string(kNewFolderPrefix) + "XXXXXX")).string();
        if (::mkdtemp(fresh.data()) == nullptr)
            return kWorkingFolderFailed;  // mode 0700
        const int fd = LockFolder(fresh);
        const std::string named =
            (root / (std::string(kWorkingFolderPrefix) + RandomSuffix())).string();
        if (fd >= 0 && ::fchmod(fd, kLockedFolderMode) == 0 &&
            ::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, named.c_str(), RENAME_NOREPLACE) == 0) {
            path_ = named;
            lock_fd_ = fd;
            return 0;
        }
        if (fd >= 0)
            ::close(fd);
        // A cleaner took the empty folder before it was named, or the name
        // was taken; the folder is removed and another one made.
        ::rmdir(fresh.c_str());
    }
    return kWorkingFolderFailed;
}

int RemoveStaleWorkingFolders(const std::filesystem::path& temp_root) {
    std::vector<std::filesystem::path> candidates;
    std::error_code ec;
    std::filesystem::directory_iterator it(TempRoot(temp_root), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (LooksLikeWorkingFolder(*it)) {
            candidates.push_back(it->path());
        } else if (it->path().filename().string().starts_with(kNewFolderPrefix)) {
            // A folder not yet named: empty, unless a run is filling it in
            // this instant (rmdir removes only an empty one, and that run
            // then makes another).
            ::rmdir(it->path().c_str());
        }
    }
    int removed = 0;
    for (const auto& path : candidates) {
        const int fd = LockFolder(path);
        if (fd < 0)
            continue;  // in use, or gone meanwhile
        std::error_code remove_ec;
        std::filesystem::remove_all(path, remove_ec);
        ::close(fd);
        if (!remove_ec)
            ++removed;
    }
    return removed;
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
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        path_.clear();
    }
    // Closed after the removal: until then no cleaner can take the folder.
    if (lock_fd_ >= 0) {
        ::close(lock_fd_);
        lock_fd_ = -1;
    }
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
