// DiarySession: everything the "Diary Recorder" does, without widgets. The
// recording is the kit's SpanRecording (PICKUP, PAUSE, STOP, marks, take
// journal, saving); this adds the entry's day and time of day and its
// reminder setting, and saves a diary record: kind "4" in "Voxwren.xrd",
// field 3 the day, field 4 the time, field 13 the reminder setting, marks
// without a type.
//
// "Auto Reminder" starts checked when the profile's "ADiary" is "Y". A
// saved entry with a reminder joins the running diary reminder's table,
// whatever its day (the reminder decides when it is due).
#pragma once

#include <QObject>
#include <string>

#include "kivo/diary/diary_entry_fields.h"
#include "kivo/recorder/span_recording.h"

namespace kivo::diary {

class DiaryReminder;

class DiarySession : public QObject {
    Q_OBJECT
public:
    // reminder: the program's diary reminder (may be null); told of a saved
    // entry with a reminder while it runs.
    DiarySession(sound::AudioBackend& backend, recorder::RecorderTarget target,
                 core::MessageReporter& reporter, DiaryReminder* reminder,
                 QObject* parent = nullptr);

    // Opens an empty recording; the day and time are today and now. 0, or
    // 202 (reported).
    int Open();
    // Opens a take an earlier run left (take_recovery.h) as this entry; the
    // day and time are those the take was started. 0, or 200 (reported).
    int OpenRecovered(const recorder::RecoveredTake& take);

    recorder::SpanRecording& recording() { return recording_; }
    const recorder::SpanRecording& recording() const { return recording_; }

    void set_date(int year, int month, int day);
    void set_time(int hour, int minute);
    const std::string& date_text() const { return date_text_; }
    const std::string& time_text() const { return time_text_; }
    void set_auto_reminder(bool on) { auto_reminder_ = on; }
    void set_nag_me(bool on) { nag_me_ = on; }
    bool auto_reminder() const { return auto_reminder_; }
    bool nag_me() const { return nag_me_; }
    ReminderSetting reminder_setting() const { return ReminderSettingOf(auto_reminder_, nag_me_); }

    // Saves the diary record. 0, or the message code reported.
    int Save();
    recorder::CloseOutcome Close() {
        return recording_.Close([this] { return Save(); });
    }

private:
    // The day and time of "dd/mm/yyyy HH:MM:SS"; false when it is not one.
    bool SetDateAndTime(const std::string& log_date);
    // "Auto Reminder" from the profile's "ADiary".
    void ReadAutoReminder();

    recorder::SpanRecording recording_;
    DiaryReminder* reminder_;
    std::string date_text_;
    std::string time_text_;
    bool auto_reminder_ = false;
    bool nag_me_ = false;
};

}  // namespace kivo::diary
