// ApplicationFolders: where the program keeps its files on this system.
//
//  - Writable home: $KIVO_HOME, else $XDG_DATA_HOME/kivo, else
//    ~/.local/share/kivo. It holds the profile "KIVO.ini" and "Profiles/",
//    below which each user has a folder named after the profile section,
//    and "Takes", where a recorder keeps the audio it has not saved yet
//    (made, private to the user, when first needed).
//  - Read-only resources (greeting and warning sounds, help pages, icons):
//    share/kivo beside the executable's bin/ folder, in the build tree and
//    when installed.
//  - Profile section: the login name of the user (at most 250 characters),
//    "Default" when it cannot be had.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace kivo::core {

inline constexpr const char* kProfileFileName = "KIVO.ini";
inline constexpr const char* kProfilesFolderName = "Profiles";
inline constexpr const char* kTakesFolderName = "Takes";
inline constexpr const char* kDefaultProfileSection = "Default";
inline constexpr std::size_t kMaxProfileSectionChars = 250;

// Looks up an environment variable; empty when unset. Tests pass their own.
using EnvironmentLookup = std::function<std::string(const char* name)>;
EnvironmentLookup ProcessEnvironment();

struct ApplicationFolders {
    std::filesystem::path home;             // writable home folder
    std::filesystem::path profile_file;     // home / "KIVO.ini"
    std::filesystem::path profiles_folder;  // home / "Profiles"
    std::filesystem::path resources;        // share/kivo beside bin/
    std::filesystem::path takes_folder;     // home / "Takes"

    // Folder of one user's data stores: profiles_folder / section.
    std::filesystem::path UserFolder(const std::string& section) const;

    // Creates the home and profiles folders when missing. False on failure.
    bool CreateWritableFolders() const;
};

// The folders for a program whose executable is at executable_path.
ApplicationFolders LocateApplicationFolders(const EnvironmentLookup& environment,
                                            const std::filesystem::path& executable_path);

// The path of the running executable (/proc/self/exe), empty when unknown.
std::filesystem::path CurrentExecutablePath();

// share/kivo beside the bin/ folder that holds the executable.
std::filesystem::path ResourceFolderBeside(const std::filesystem::path& executable_path);

// The login name of the current user, or "Default" when it cannot be had.
// Names that could not serve as an INI section or a folder name (containing
// '[', ']', '/', control characters, or "." / "..") also give "Default".
std::string CurrentProfileSection();

// The owner's name for the window caption: the full name from the user
// database when there is one, else the login name, else "Default".
std::string CurrentOwnerName();

}  // namespace kivo::core
