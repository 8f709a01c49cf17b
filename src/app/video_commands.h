// The video commands of the main window: New Recording in the video view
// opens the "Kivo Video Recorder" (cameras of the system, or the virtual
// camera with KIVO_VIDEO=virtual); Play (and a double-click) in the video
// view opens the "Kivo Video Player" on the focused record; Tools > Import >
// "WMV File" makes video files video records (in the audio import's
// progress dialog); Export > "WMV Format" writes the selected video
// records' WMV files for other players.
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

// New Recording in the video view: runs the video recorder and returns
// true; false in any other view.
bool RunVideoRecorderOfView(MainWindow* window, core::MessageReporter& reporter);

// Play in the video view: plays the first selected video record and
// returns true; false in any other view.
bool PlayVideoOfView(MainWindow* window, core::MessageReporter& reporter);

// At the start: offers the video captures the video recorder left behind
// when the program ended while it was open, to be saved as video records.
void OfferVideoTakeRecovery(MainWindow* window, core::MessageReporter& reporter);

// Routes "WMV File" and "WMV Format".
void RouteVideoCommands(MainWindow* window, core::MessageReporter* reporter);

}  // namespace kivo::app
