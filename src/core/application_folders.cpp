// Where the program's files live on this system; see application_folders.h.
#include "kivo/core/application_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

namespace kivo::core {
namespace {

struct PasswdEntry {
    std::string login;
    std::string gecos;
    std::string home;
};

std::optional<PasswdEntry> CurrentPasswdEntry() {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    struct passwd entry {};
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 ||
        result == nullptr) {
        return std::nullopt;
    }
    return PasswdEntry{result->pw_name ? result->pw_name : "",
                       result->pw_gecos ? result->pw_gecos : "",
                       result->pw_dir ? result->pw_dir : ""};
}

bool UsableSectionName(const std::string& name) {
    if (name.empty() || name.size() > kMaxProfileSectionChars)
        return false;
    if (name == "." || name == "..")
        return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '[' || c == ']' || c == '/' || c == '\\')
            return false;
    }
    return name.front() != ' ' && name.back() != ' ';
}

}  // namespace

EnvironmentLookup ProcessEnvironment() {
    return [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
}

std::filesystem::path ApplicationFolders::UserFolder(const std::string& section) const {
    return profiles_folder / section;
}

bool ApplicationFolders::CreateWritableFolders() const {
    std::error_code ec;
    std::filesystem::create_directories(profiles_folder, ec);
    return std::filesystem::is_directory(profiles_folder, ec);
}

std::filesystem::path ResourceFolderBeside(const std::filesystem::path& executable_path) {
    return executable_path.parent_path().parent_path() / "share" / "kivo";
}

std::filesystem::path CurrentExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : path;
}

ApplicationFolders LocateApplicationFolders(const EnvironmentLookup& environment,
                                            const std::filesystem::path& executable_path) {
    ApplicationFolders folders;
    if (std::string home = environment("KIVO_HOME"); !home.empty()) {
        folders.home = home;
    } else if (std::string data = environment("XDG_DATA_HOME"); !data.empty() && data[0] == '/') {
        folders.home = std::filesystem::path(data) / "kivo";
    } else {
        std::string user_home = environment("HOME");
        if (user_home.empty()) {
            if (auto entry = CurrentPasswdEntry())
                user_home = entry->home;
        }
        folders.home = std::filesystem::path(user_home.empty() ? "." : user_home) / ".local" /
                       "share" / "kivo";
    }
    folders.profile_file = folders.home / kProfileFileName;
    folders.profiles_folder = folders.home / kProfilesFolderName;
    folders.resources = ResourceFolderBeside(executable_path);
    folders.takes_folder = folders.home / kTakesFolderName;
    return folders;
}

std::string CurrentProfileSection() {
    auto entry = CurrentPasswdEntry();
    if (!entry || !UsableSectionName(entry->login))
        return kDefaultProfileSection;
    return entry->login;
}

std::string CurrentOwnerName() {
    auto entry = CurrentPasswdEntry();
    if (!entry)
        return kDefaultProfileSection;
    // The full name is the first comma-separated field of the GECOS text.
    std::string full = entry->gecos.substr(0, entry->gecos.find(','));
    if (!full.empty())
        return full;
    return entry->login.empty() ? std::string(kDefaultProfileSection) : entry->login;
}

}  // namespace kivo::core
