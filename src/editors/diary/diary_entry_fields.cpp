// Diary entry fields (see diary_entry_fields.h).
#include "kivo/diary/diary_entry_fields.h"

#include <cstdio>

namespace kivo::diary {

ReminderSetting ReminderSettingOf(bool auto_reminder, bool nag_me) {
    if (!auto_reminder)
        return ReminderSetting::kNone;
    return nag_me ? ReminderSetting::kNagMe : ReminderSetting::kOnce;
}

std::string DiaryDateText(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d/%d", day, month, year);
    return text;
}

std::string DiaryTimeText(int hour, int minute) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    return text;
}

}  // namespace kivo::diary
