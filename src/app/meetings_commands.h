// The meeting and diary commands of the main window: New Recording in the
// meeting and diary views (the "Meeting Recorder" and the "Diary
// Recorder"), Tools > Diary Monitor (the diary reminder, with its check
// mark; each reminder window also raises a desktop notification), Tools >
// Offline Meeting ("Kivo Meeting Costs & Timer"), and the reminder started at
// start-up when the profile's "ADiary" is "Y".
#pragma once

#include <functional>
#include <string>

#include "kivo/format/agenda.h"

namespace kivo::core {
class MessageReporter;
}
namespace kivo::recorder {
struct RecoveredTake;
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

// A meeting or diary take an earlier run left, offered at start-up: opens
// it in its recorder (release_take is called once the recorder holds it)
// and runs that recorder. False when the take is neither, or could not be
// opened (the message was shown).
bool RunRecoveredSpanRecorder(MainWindow* window, core::MessageReporter& reporter,
                              const recorder::RecoveredTake& take,
                              const std::function<void()>& release_take);

}  // namespace kivo::app
