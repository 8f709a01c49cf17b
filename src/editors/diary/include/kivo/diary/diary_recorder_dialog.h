// DiaryRecorderDialog: the "Diary Recorder", the span recorders' dialog over
// a DiarySession with the entry's own controls: the month calendar (the
// entry's day), the "Diary time" picker ("HH : mm", starting now), and the
// "Auto Reminder" and "Nag Me" check boxes.
#pragma once

#include <memory>

#include "kivo/diary/diary_session.h"
#include "kivo/recorder/span_recorder_dialog.h"

class QCalendarWidget;
class QCheckBox;
class QTimeEdit;

namespace kivo::diary {

inline constexpr const char* kDiaryHelpTopic = "344.htm";

class DiaryRecorderDialog : public recorder::SpanRecorderDialog {
    Q_OBJECT
public:
    DiaryRecorderDialog(sound::AudioBackend& backend, recorder::RecorderTarget target,
                        core::MessageReporter& reporter, DiaryReminder* reminder,
                        QWidget* parent = nullptr);
    ~DiaryRecorderDialog() override;

    // Opens the recording; false (the message was shown) when there is no
    // recording device.
    bool Start();
    // Opens a take an earlier run left (take_recovery.h) as this entry:
    // stopped, with what the take kept, for the day and time it was started.
    // False (the message was shown) when it cannot be opened.
    bool StartRecovered(const recorder::RecoveredTake& take);

    DiarySession& session() { return *session_; }
    QCalendarWidget* calendar() const { return calendar_; }
    QTimeEdit* time_edit() const { return time_; }
    QCheckBox* auto_reminder_box() const { return auto_reminder_; }
    QCheckBox* nag_me_box() const { return nag_me_; }

protected:
    int SaveRecord() override;
    recorder::CloseOutcome CloseRecord() override;

private:
    void PassFieldsToSession();
    // The calendar, time and "Auto Reminder" as the session holds them.
    void ShowSessionFields();

    std::unique_ptr<DiarySession> session_;
    QCalendarWidget* calendar_ = nullptr;
    QTimeEdit* time_ = nullptr;
    QCheckBox* auto_reminder_ = nullptr;
    QCheckBox* nag_me_ = nullptr;
};

}  // namespace kivo::diary
