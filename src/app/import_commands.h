// Routing of Tools > Import > "Kivo Data Store", "Kivo Message File", "Kivo
// Video File" and the audio file commands (WAV, MP3, WMA, OGG), and the import of audio, video
// and recording files dropped on the main window. ("WMV File" is routed
// with the video commands, through RunAudioImport.)
#pragma once

#include <QStringList>
#include <filesystem>
#include <vector>

#include "kivo/exchange/import_audio_types.h"

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteImportCommands(MainWindow* window, core::MessageReporter* reporter);

// Imports `files` into the open store in the audio import's progress dialog
// titled for `type`; video files among them become video records.
void RunAudioImport(MainWindow* window, exchange::AudioFileType type,
                    std::vector<std::filesystem::path> files);

// What the window does with dropped files: the audio and video files
// through the audio import's progress dialog, the recording files (".xrz",
// ".xrv") as "Kivo Message File" does. Other files are passed over. False when none could be
// imported.
bool ImportDroppedFiles(MainWindow* window, core::MessageReporter& reporter,
                        const std::vector<std::filesystem::path>& files);

}  // namespace kivo::app
