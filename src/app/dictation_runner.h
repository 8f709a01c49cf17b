// Running the "Dictation Recorder" from the main window's commands.
#pragma once

#include <functional>

namespace kivo::core {
class MessageReporter;
}
namespace kivo::dictation {
class DictationRecorderDialog;
}

namespace kivo::app {

class MainWindow;

// Runs the recorder on the open store, opened by start (false: it did not
// open, and has said why); a saved dictation is made durable and shows in
// the list. False when it did not open.
bool RunDictationRecorder(MainWindow* window, core::MessageReporter& reporter,
                          const std::function<bool(dictation::DictationRecorderDialog&)>& start);

}  // namespace kivo::app
