// The meeting and diary commands of the main window: New Recording in the
// meeting and diary views (the "Meeting Recorder" and the "Diary
// Recorder"), Tools > Diary Monitor (the diary reminder, with its check
// mark; each reminder window also raises a desktop notification), Tools >
// Offline Meeting ("Kivo Meeting Costs & Timer"), and the reminder started at
// start-up when the profile's "ADiary" is "Y".
#pragma once

#include <string>

#include "kivo/format/agenda.h"

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteMeetingCommands(MainWindow* window, core::MessageReporter* reporter);

// What a recording opened from a template or an agenda starts with.
struct RecordingStart {
    std::string predefined_comments;  // handed over (kivo/recorder/predefined_comments.h)
    std::string subject;              // empty: the recorder's own
    format::Agenda agenda;            // a meeting's; empty for none
};

// New Recording in the meeting, diary or video view: runs that view's recorder and
// returns true; false in any other view (the caller opens its own recorder).
// The Meeting Recorder offers the store's agendas until the meeting starts.
bool RunRecorderOfView(MainWindow* window, core::MessageReporter& reporter,
                       RecordingStart start = {});

// The Meeting Recorder, whatever the view: a meeting recorded against an
// agenda chosen in Tools > Meeting Agendas... .
void RunMeetingRecorder(MainWindow* window, core::MessageReporter& reporter, RecordingStart start);

}  // namespace kivo::app
