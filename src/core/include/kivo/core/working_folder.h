// WorkingFolder: the private temporary folder into which the open data
// store's component files are unpacked and in which dialogs keep their
// temporary files.
//
// It is a fresh folder made with mkdtemp (mode 0700) under $TMPDIR (else
// /tmp) with the name prefix "Voxwren". The object owns the folder: it is
// emptied and removed when the object is destroyed or Remove() is called.
//
// A process that is killed cannot remove its folder, so the folder carries
// a sign of life: its owner holds an exclusive flock on the folder itself
// for as long as it uses it, and the kernel drops that lock when the owner
// dies; the folder's sticky bit says that its owner holds such a lock.
// Create first removes the stale folders of the temporary root: "Voxwren" and
// six more characters, a folder of the same user with the sticky bit, whose
// lock can be taken. (Folders of older versions, which lock nothing, have no
// sticky bit and are left alone.) A folder in use is never taken: its lock is held from the
// moment it is made (a folder removed in that moment is noticed by its maker,
// who makes another).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kivo::core {

inline constexpr const char* kWorkingFolderPrefix = "Voxwren";
// Message code when the working folder cannot be created.
inline constexpr int kWorkingFolderFailed = 119;

class WorkingFolder {
public:
    WorkingFolder() = default;
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    WorkingFolder(WorkingFolder&& other) noexcept;
    WorkingFolder& operator=(WorkingFolder&& other) noexcept;

    // Makes a new folder under temp_root (empty: $TMPDIR, else /tmp).
    // Returns 0, or 119 when it cannot be made. A folder held before is
    // removed first.
    int Create(const std::filesystem::path& temp_root = {});

    bool exists() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    // path() / name.
    std::filesystem::path File(std::string_view name) const { return path_ / name; }

    // Deletes every file in the folder whose name matches the pattern
    // (shell wildcards '*' and '?'; "*.*" and "*" match every name).
    // Sub-folders matching the pattern are removed with their contents;
    // symbolic links are removed, never followed.
    void DeleteMatching(std::string_view pattern);

    // Deletes everything in the folder and the folder itself.
    void Remove();

private:
    std::filesystem::path path_;
    int lock_fd_ = -1;  // the folder, open and flocked while it is ours
};

// Removes the stale working folders under temp_root (empty: $TMPDIR, else
// /tmp) as described above. Returns how many were removed.
int RemoveStaleWorkingFolders(const std::filesystem::path& temp_root = {});

// The three uses of the working folder at start-up, when switching stores
// and at close: mode 1 creates a new folder then deletes matching files;
// mode 0 deletes matching files; mode 2 deletes matching files and removes
// the folder. Returns 119 when mode 1 cannot create the folder, else 0.
int PrepareWorkingFolder(WorkingFolder& folder, int mode, std::string_view pattern);

// Deletes every entry of folder whose name matches pattern (as
// WorkingFolder::DeleteMatching), for code that holds only the path.
void DeleteMatchingIn(const std::filesystem::path& folder, std::string_view pattern);

// True when name matches the shell wildcard pattern ('*', '?'); "*.*" matches
// every name, as it does on the system the data stores come from.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace kivo::core
