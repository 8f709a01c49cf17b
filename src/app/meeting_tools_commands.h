// Tools > Meeting Agendas... ("Kivo Agenda Meeting Agendas") and Tools >
// Templates... ("Kivo Templates"): the editors of the open store's agendas
// and record templates. "Record Meeting" opens the Meeting Recorder with the
// agenda shown; a template's "New Recording" opens the recorder of the
// current view (the Meeting or Diary Recorder in their views, else the
// Dictation Recorder) with the template's subject and index comments.
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteMeetingToolsCommands(MainWindow* window, core::MessageReporter* reporter);

// After Options' OK: "Run diary reminder on startup" just switched on asks
// whether Kivo should start at log-in (the XDG autostart entry,
// kivo/core/autostart_entry.h), so reminders are given after a restart;
// switched off, Kivo's own autostart entry is removed.
void FollowDiaryStartSetting(core::MessageReporter& reporter, bool was_on, bool now_on);

}  // namespace kivo::app
