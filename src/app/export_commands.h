// The commands that take recordings out of the data store: Export as Kivo
// recording files or as WAV, MP3, OGG and WMA files, Send by e-mail, and
// Print of the records' reports. RouteExportCommands connects them to the
// window's command router for the main list's selection; the search
// results run the same commands on their own selection (RunOutputCommand).
// The work itself is done by the exchange classes.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "command_table.h"
#include "kivo/core/record_deletion.h"
#include "kivo/exchange/export_delivery.h"

class QWidget;

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

// The records an output command takes out of the window's open store, and
// the widget its dialogs belong to (the window, or the search dialog over it).
struct RecordOutput {
    MainWindow* window = nullptr;
    QWidget* parent = nullptr;
    std::vector<core::SelectedRecord> records;
};

// The commands that take records out, in the order of the Export menu,
// then Send and Print.
inline constexpr Command kOutputCommands[] = {
    Command::kExportKivoRecording, Command::kExportWav, Command::kExportWma, Command::kExportMp3,
    Command::kExportOgg,           Command::kSend,      Command::kPrint};

bool IsOutputCommand(Command command);
// False for the audio formats: a video record is exported only as itself.
bool OutputCommandTakesVideo(Command command);

// Runs the command on the records (nothing while the store is being
// compacted); false when it is no output command.
bool RunOutputCommand(Command command, const RecordOutput& output, core::MessageReporter* reporter);

// The main list's selection as the records of an output command.
RecordOutput MainListOutput(MainWindow* window);

void RouteExportCommands(MainWindow* window, core::MessageReporter* reporter);

// Writes one prepared copy of a recording as `target` (scratch: an empty
// private folder to unpack into).
using PreparedFileWriter = std::function<exchange::Delivery(
    const std::filesystem::path& prepared_copy, const std::filesystem::path& scratch,
    const std::filesystem::path& target, exchange::Overwrite overwrite)>;

// Export of the records as files of another program: each record is
// prepared (taken out of the store), its target named stem + `extension`
// (".wav") in the folder asked for, or asked for each file, and written by
// `write`; failures are reported file by file.
void ExportPreparedAs(const RecordOutput& output, core::MessageReporter* reporter,
                      const std::string& extension, const QString& filter,
                      const PreparedFileWriter& write);

}  // namespace kivo::app
