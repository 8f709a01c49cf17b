// Closing the main window when the process is asked to end (SIGTERM, SIGHUP,
// SIGINT), so that the close sequence saves the open data store and removes
// the working folder instead of the process dying with unsaved changes.
#pragma once

class QWidget;

namespace kivo::app {

// Installs the signal handlers. The first signal closes window through the
// event loop; later signals are left to the default action. Call once.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace kivo::app
