// Routing of Tools > Import > "Kivo Data Store", "Kivo Message File" and the
// audio file commands (WAV, MP3, WMA, OGG), and the import of audio and
// recording files dropped on the main window. "Kivo Video File" and "WMV
// File" are not routed: video records are not imported yet.
#pragma once

#include <QStringList>
#include <filesystem>
#include <vector>

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteImportCommands(MainWindow* window, core::MessageReporter* reporter);

// What the window does with dropped files: the audio files through the
// audio import's progress dialog, the recording files (".xrz") as "Kivo
// Message File" does. Other files are passed over. False when none could be
// imported.
bool ImportDroppedFiles(MainWindow* window, core::MessageReporter& reporter,
                        const std::vector<std::filesystem::path>& files);

}  // namespace kivo::app
