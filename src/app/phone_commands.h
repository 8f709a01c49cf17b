// The Phone menu's routing: the window's telephone line (PhoneLine) and the
// commands that drive it.
#pragma once

#include "kivo/core/user_messages.h"

namespace kivo::app {

class MainWindow;
class PhoneLine;

// Creates the window's line on the user's configured line devices and
// routes Modem Selection, Start/Stop Monitoring, Answer Machine On/Off,
// Tools > Phone Book and the phone list's Add to PhoneBook.
// The line takes up the chosen device once the session has started.
PhoneLine* RoutePhoneCommands(MainWindow* window, core::MessageReporter& reporter);

}  // namespace kivo::app
