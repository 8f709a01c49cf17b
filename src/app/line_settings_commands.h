// Phone > Line Settings...: the SIP accounts of the user's lines
// (LineAccountsDialog), also reached from "Kivo Modem Selection".
#pragma once

class QWidget;

namespace kivo::app {

class MainWindow;

// Routes the command and puts it in the Phone menu under Modem Selection.
// After a change the window's open line is reopened so the change takes
// effect (PhoneLine::ApplyLineSettings); from Modem Selection the line is
// reopened by that command.
void RouteLineSettingsCommands(MainWindow* window);

// Runs "Kivo Line Settings" on the accounts of the line configuration file,
// with passwords in the desktop's secret store. Returns whether an account
// was added, changed or removed. parent: the window it belongs to; F1 and
// Help show the page in the main window's help when parent is (or belongs
// to) the main window.
bool RunLineSettings(QWidget* parent);

}  // namespace kivo::app
