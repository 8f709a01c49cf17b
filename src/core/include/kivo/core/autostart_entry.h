// AutostartEntry: the XDG autostart entry that starts Kivo when the user
// logs in ("$XDG_CONFIG_HOME/autostart/kivo.desktop", XDG_CONFIG_HOME being
// ~/.config when unset), so that the diary reminder run at start-up
// ("Run diary reminder on startup", ADiary) gives its reminders after a
// restart of the computer too.
//
// Install writes the entry atomically; Remove deletes it only when it is
// this program's (it carries the key X-Kivo-Diary-Reminder=true), never an
// entry the user wrote by hand. Plain C++ without Qt.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kivo::core {

class AutostartEntry {
public:
    // config_home: the XDG configuration folder; program: the program to
    // start.
    AutostartEntry(std::filesystem::path config_home, std::filesystem::path program);

    // $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config;
    // empty when neither is known.
    static std::filesystem::path ConfigHomeOfUser();

    std::filesystem::path path() const { return config_home_ / "autostart" / "kivo.desktop"; }
    // An entry of this program is installed.
    bool Installed() const;
    // Writes the entry (making the autostart folder). False on failure, and
    // for a program path with a line break.
    bool Install() const;
    // Removes this program's entry; true when none is left. A file at the
    // path that is not this program's is kept (and false returned).
    bool Remove() const;

    // The entry's text.
    std::string Text() const;

private:
    std::filesystem::path config_home_;
    std::filesystem::path program_;
};

// A path as the Exec key of a desktop entry writes it: quoted when it holds
// a space or a reserved character, with '"', '`', '$' and '\' escaped.
std::string DesktopExecArgument(std::string_view path);

}  // namespace kivo::core
