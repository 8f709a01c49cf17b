// OfflineMeetingDialog: "Kivo Meeting Costs & Timer" (Tools > Offline
// Meeting), a thin view over an OfflineMeeting: the running duration, cost
// and time left, Start, Pause, Stop, "Alarm On" and "Settings..." ("Times
// and Costs", kept in the profile as the meeting recorder keeps them). At
// the planned end the over-run box asks "Remind Me in" minutes, once.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <string>

#include "kivo/meeting/meeting_session.h"
#include "kivo/meeting/offline_meeting.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kivo::core {
class ProfileFile;
}

namespace kivo::meeting {

class OfflineMeetingDialog : public QDialog {
    Q_OBJECT
public:
    // profile and section: where "MeetCost" and "Currency" are read and
    // kept (may be null). The clocks default to the machine's.
    OfflineMeetingDialog(core::ProfileFile* profile, std::string section, QWidget* parent = nullptr,
                         OfflineMeeting::MonotonicClock clock = {},
                         OfflineMeeting::TimeOfDay time_of_day = {});

    OfflineMeeting& meeting() { return meeting_; }
    void ApplyTimesAndCosts(const TimesAndCosts& settings);
    // Refreshes the figures (what the dialog's timer does).
    void Refresh();

    QLabel* duration_label() const { return duration_; }
    QLabel* cost_label() const { return cost_; }
    QLabel* time_left_label() const { return time_left_; }
    QPushButton* start_button() const { return start_; }
    QPushButton* pause_button() const { return pause_; }
    QPushButton* stop_button() const { return stop_; }

    // The over-run box (replaceable for tests): minutes, or 0.
    std::function<int()> ask_remind_minutes;

private:
    void ShowState();

    core::ProfileFile* profile_;
    std::string section_;
    QElapsedTimer machine_clock_;
    OfflineMeeting meeting_;
    std::string planned_start_;
    QTimer* timer_ = nullptr;
    QLabel* duration_ = nullptr;
    QLabel* cost_ = nullptr;
    QLabel* time_left_ = nullptr;
    QCheckBox* alarm_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace kivo::meeting
