// Help topics: the program's HTML help pages in share/kivo/help, shown in
// Kivo's own help window (help_window.h), and the page that describes the
// work of each command.
#pragma once

#include <span>

#include "command_table.h"

namespace kivo::app {

// Help > Kivo Help and the main window's F1.
inline constexpr const char* kHelpContentsTopic = "166.htm";
// Help > A&zaming! and the toolbar's help button.
inline constexpr const char* kAmazingTopic = "900.htm";

// A command and the help page that describes what it does. Once a command is
// routed its page describes it as it works, with no word of it coming later.
struct CommandHelpPage {
    Command command;
    const char* page;
};

std::span<const CommandHelpPage> CommandHelpPages();

}  // namespace kivo::app
