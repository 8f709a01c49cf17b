// MeetingRecorderDialog: the "Meeting Recorder", the span recorders' dialog
// over a MeetingSession with the meeting's own controls: the "Meeting
// Agenda" tree (selecting an item while recording marks the recording with
// its text; "Add Item" adds the typed item at its end; before the first
// PICKUP an agenda can be chosen from the store's agendas), and the "Cost and Time Remaining" group
// with the running cost, the time left, "Alarm On" and "Settings..." ("Times and Costs"). At the
// planned end the over-run box asks "Remind Me in" minutes. With
// "HighLight" on, the cost and time fields are drawn bold, green on black
// (the time red while over-run); clicking a field switches its highlight.
#pragma once

#include <memory>

#include "kivo/meeting/meeting_session.h"
#include "kivo/recorder/span_recorder_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace kivo::meeting {

inline constexpr const char* kMeetingHelpTopic = "317.htm";

class MeetingRecorderDialog : public recorder::SpanRecorderDialog {
    Q_OBJECT
public:
    MeetingRecorderDialog(sound::AudioBackend& backend, recorder::RecorderTarget target,
                          core::MessageReporter& reporter, QWidget* parent = nullptr);
    ~MeetingRecorderDialog() override;

    // Opens the recording for a meeting with this agenda; false (the
    // message was shown) when there is no recording device.
    bool Start(format::Agenda agenda = {});
    // Opens a take an earlier run left (take_recovery.h) as this meeting:
    // stopped, with what the take kept. False (the message was shown) when
    // it cannot be opened.
    bool StartRecovered(const recorder::RecoveredTake& take);
    // The store's agendas (Tools > Meeting Agendas...), offered in the
    // "Agenda" list until the meeting is picked up; choosing one shows its
    // items and puts its title into "Subject".
    void OfferStoredAgendas(std::vector<format::Agenda> agendas);

    MeetingSession& session() { return *session_; }
    QTreeWidget* agenda_tree() const { return agenda_; }
    QComboBox* stored_agendas_box() const { return stored_agendas_box_; }
    QLineEdit* new_item_edit() const { return new_item_; }
    QLabel* cost_label() const { return cost_; }
    QLabel* time_left_label() const { return time_left_; }
    QCheckBox* alarm_box() const { return alarm_; }

    // The over-run box: asks "Remind Me in" minutes; 0 when dismissed.
    // Replaceable for tests (the box is modal).
    std::function<int()> ask_remind_minutes;

protected:
    int SaveRecord() override { return session_->Save(); }
    recorder::CloseOutcome CloseRecord() override { return session_->Close(); }
    void Tick() override;
    void StateShown() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowAgenda();
    void ShowFields();
    void OnOverRun();
    // Marks the agenda item at the recording's position (while recording).
    void MarkAgendaItem(QTreeWidgetItem* item);
    void OnSettings();
    void UseStoredAgenda(int row);

    std::unique_ptr<MeetingSession> session_;
    QTreeWidget* agenda_ = nullptr;
    QComboBox* stored_agendas_box_ = nullptr;
    std::vector<format::Agenda> stored_agendas_;
    QLineEdit* new_item_ = nullptr;
    QLabel* cost_ = nullptr;
    QLabel* time_left_ = nullptr;
    QCheckBox* alarm_ = nullptr;
    bool cost_highlighted_ = false;
    bool time_highlighted_ = false;
};

// The over-run box "Your Meeting has over-run" with "Remind Me in" minutes;
// the minutes on OK, 0 otherwise.
int AskRemindMinutes(QWidget* parent);

}  // namespace kivo::meeting
