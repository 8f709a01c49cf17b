// The commands that take recordings out of the data store: Export as Kivo
// recording files or as WAV, MP3, OGG and WMA files, Send by e-mail, and
// Print of the records' reports. RouteExportCommands connects them to the
// window's command router; the work itself is done by the exchange classes.
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteExportCommands(MainWindow* window, core::MessageReporter* reporter);

}  // namespace kivo::app
