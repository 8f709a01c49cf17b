// The commands that take recordings out of the data store: Export as Kivo
// recording files or as WAV, MP3, OGG and WMA files, Send by e-mail, and
// Print of the records' reports. RouteExportCommands connects them to the
// window's command router; the work itself is done by the exchange classes.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <string>

#include "kivo/exchange/export_delivery.h"

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteExportCommands(MainWindow* window, core::MessageReporter* reporter);

// Writes one prepared copy of a recording as `target` (scratch: an empty
// private folder to unpack into).
using PreparedFileWriter = std::function<exchange::Delivery(
    const std::filesystem::path& prepared_copy, const std::filesystem::path& scratch,
    const std::filesystem::path& target, exchange::Overwrite overwrite)>;

// Export of the selected records as files of another program: each record
// is prepared (taken out of the store), its target named stem + `extension`
// (".wav") in the folder asked for, or asked for each file, and written by
// `write`; failures are reported file by file.
void ExportPreparedAs(MainWindow* window, core::MessageReporter* reporter,
                      const std::string& extension, const QString& filter,
                      const PreparedFileWriter& write);

}  // namespace kivo::app
