// The commands that take recordings out of the data store: Export as Kivo
// recording files or as WAV, MP3, OGG and WMA files, Send by e-mail, and
// Print of the records' reports. RouteExportCommands connects them to the
// window's command router for the main list's selection; the search
// results run the same commands on their own selection (RunOutputCommand).
// The work itself is done by the exchange classes.
#pragma once

#include <vector>

#include "command_table.h"
#include "kivo/core/record_deletion.h"

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

void RouteExportCommands(MainWindow* window, core::MessageReporter* reporter);

}  // namespace kivo::app
