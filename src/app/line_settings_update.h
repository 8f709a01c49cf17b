// When changed line settings (Phone > Line Settings...) reach the open line.
//
// The library reads the line configuration when the line opens, so a change
// takes effect by closing and reopening the line, which also registers the
// account again. An open, idle line is reopened at once; a call in progress
// is never cut: the change waits, the user is told so, and the line reopens
// once it is idle. A closed line needs nothing, and a line closed while a
// change waits forgets it: its next opening reads the settings anyway.
// Plain logic without Qt; PhoneLine acts on its answers.
#pragma once

namespace kivo::app {

// Told to the user when the change must wait for the call.
inline constexpr const char* kLineSettingsAfterCallText =
    "A telephone call is in progress on the line.\nThe new line settings apply when the call "
    "has ended: the line is then reopened.";

class LineSettingsUpdate {
public:
    enum class Step {
        kNothing,      // the line is closed: its next opening reads the settings
        kReopenNow,    // the line is open and idle
        kAfterTheCall  // a call is in progress: wait, and tell the user
    };

    // The settings were changed.
    Step SettingsChanged(bool line_open, bool call_in_progress);
    // Asked whenever the line's state may have changed: true once, when a
    // waiting change can be applied now (the line is open and idle).
    bool ReopenDue(bool line_open, bool call_in_progress);
    // The line was closed (or reopened): nothing waits any more.
    void LineClosed() { waiting_ = false; }

    bool waiting() const { return waiting_; }

private:
    bool waiting_ = false;
};

}  // namespace kivo::app
