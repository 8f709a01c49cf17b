// The XDG autostart entry of the diary reminder (see autostart_entry.h).
#include "kivo/core/autostart_entry.h"

#include <cstdlib>
#include <system_error>

#include "kivo/core/safe_file_io.h"

namespace kivo::core {
namespace {

constexpr std::string_view kOwnMarker = "X-Kivo-Diary-Reminder=true";
constexpr std::uint64_t kEntryMaxBytes = 64 * 1024;

}  // namespace

std::string DesktopExecArgument(std::string_view path) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = path.find_first_of(kReserved) != std::string_view::npos;
    // Inside the quotes '"', '`', '$' and '\' take a backslash; then, as in
    // every string value of the file, each backslash is doubled. A '%'
    // would start a field code: it is written "%%".
    std::string argument = quote ? "\"" : "";
    for (const char c : path) {
        if (quote && (c == '"' || c == '`' || c == '$'))
            argument += "\\\\";
        else if (quote && c == '\\')
            argument += "\\\\\\";
        else if (c == '%')
            argument += '%';
        argument += c;
    }
    return quote ? argument + "\"" : argument;
}

AutostartEntry::AutostartEntry(std::filesystem::path config_home, std::filesystem::path program)
    : config_home_(std::move(config_home)), program_(std::move(program)) {}

std::filesystem::path AutostartEntry::ConfigHomeOfUser() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute())
        return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".config";
    return {};
}

std::string AutostartEntry::Text() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kivo\n"
           "Comment=Starts Kivo at log-in so that its diary reminders are given\n"
           "Exec=" +
           DesktopExecArgument(program_.string()) +
           "\n"
           "Icon=kivo\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n" +
           std::string(kOwnMarker) + "\n";
}

bool AutostartEntry::Installed() const {
    std::string text;
    return ReadWholeFile(path(), kEntryMaxBytes, text) == ReadResult::kOk &&
           text.find(kOwnMarker) != std::string::npos;
}

bool AutostartEntry::Install() const {
    // A line break in the program's path would break the entry's lines.
    const std::string program = program_.string();
    if (config_home_.empty() || program.empty() ||
        program.find_first_of("\r\n") != std::string::npos)
        return false;
    std::error_code error;
    std::filesystem::create_directories(path().parent_path(), error);
    return !error && ReplaceFileAtomically(path(), Text());
}

bool AutostartEntry::Remove() const {
    std::error_code error;
    if (!std::filesystem::exists(path(), error))
        return true;
    if (!Installed())
        return false;
    return std::filesystem::remove(path(), error) && !error;
}

}  // namespace kivo::core
