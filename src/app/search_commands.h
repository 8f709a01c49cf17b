// The search commands of the main window: the toolbar's Search button opens
// "Kivo : Search", and the instant search field in the toolbar (Ctrl+F)
// filters the listed records as the user types.
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

// Keyboard: Ctrl+F puts the focus in the instant search field; the Search
// command (toolbar button, Ctrl+Shift+F) opens the dialog.
void RouteSearchCommands(MainWindow* window, core::MessageReporter* reporter);

}  // namespace kivo::app
