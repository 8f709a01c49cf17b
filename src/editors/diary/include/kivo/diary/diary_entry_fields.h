// The fields a diary entry keeps in its record line beside those of every
// recording: the day ("7/12/2026": day, month and year without leading
// zeros), the time of day ("HH:MM") and the reminder setting.
#pragma once

#include <string>

namespace kivo::diary {

// Field 13 of a diary record line.
enum class ReminderSetting { kNone = 0, kOnce = 1, kNagMe = 2 };

// "Auto Reminder" and "Nag Me" as the setting they store: "Nag Me" alone
// counts as none.
ReminderSetting ReminderSettingOf(bool auto_reminder, bool nag_me);

// "%d/%d/%d" of day, month and year.
std::string DiaryDateText(int year, int month, int day);
// "%02d:%02d".
std::string DiaryTimeText(int hour, int minute);

}  // namespace kivo::diary
