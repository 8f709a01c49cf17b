// When changed line settings reach the open line (see line_settings_update.h).
#include "line_settings_update.h"

namespace kivo::app {

LineSettingsUpdate::Step LineSettingsUpdate::SettingsChanged(bool line_open,
                                                             bool call_in_progress) {
    if (!line_open) {
        waiting_ = false;
        return Step::kNothing;
    }
    if (call_in_progress) {
        waiting_ = true;
        return Step::kAfterTheCall;
    }
    waiting_ = false;
    return Step::kReopenNow;
}

bool LineSettingsUpdate::ReopenDue(bool line_open, bool call_in_progress) {
    if (!waiting_)
        return false;
    if (!line_open) {
        waiting_ = false;
        return false;
    }
    if (call_in_progress)
        return false;
    waiting_ = false;
    return true;
}

}  // namespace kivo::app
