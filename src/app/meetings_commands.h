// The meeting and diary commands of the main window: New Recording in the
// meeting and diary views (the "Meeting Recorder" and the "Diary
// Recorder"), Tools > Diary Monitor (the diary reminder, with its check
// mark; each reminder window also raises a desktop notification), Tools >
// Offline Meeting ("Kivo Meeting Costs & Timer"), and the reminder started at
// start-up when the profile's "ADiary" is "Y".
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteMeetingCommands(MainWindow* window, core::MessageReporter* reporter);

// New Recording in the meeting, diary or video view: runs that view's recorder and
// returns true; false in any other view (the caller opens its own recorder).
bool RunRecorderOfView(MainWindow* window, core::MessageReporter& reporter);

}  // namespace kivo::app
