// PhoneLine: the main window's telephone line. It owns the telephony
// library (the line devices of the user's configuration), receives the
// library's messages as posted events, and runs the Phone menu: start and
// stop monitoring the chosen line, switch the answering machine on and off,
// and choose the line ("Kivo Modem Selection"). Answered calls are stored by
// the answering machine; the phone list and the Phone icon then show the new
// message.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "command_table.h"
#include "kivo/core/user_messages.h"
#include "kivo/phone/answering_machine.h"
#include "kivo/phone/chosen_line.h"
#include "kivo/phone/line_choice.h"
#include "kivo/telephony/qt_line_pump.h"
#include "kivo/telephony/tapi_library.h"
#include "line_settings_update.h"

namespace kivo::app {

class IncomingCallDialog;
class MainWindow;

// Line state texts beside "Line monitoring active" and "... inactive".
inline constexpr const char* kLineMonitoringFailed = "Failed to start line monitoring";
inline constexpr const char* kCallInProgressText =
    "A telephone call is currently in progress.\nAction cancelled ";
inline constexpr const char* kLineGoneText =
    "The modem which was used previously is no longer available.\nPhone monitoring has been "
    "disabled.\nUse Modem Selection from the Phone menu to see if you have an alternative";
inline constexpr const char* kLineUnusableText =
    "The currently selected modem cannot be used with Kivo.\nPhone monitoring has been "
    "disabled.\nUse Modem Selection from the Phone menu to see if you have an alternative";

// The Phone Recorder's side of the line: it hears each library message after
// the answering machine, and is told when the line closes and when the user
// takes a ringing call or chooses a number to dial.
class CallTaker {
public:
    virtual ~CallTaker() = default;
    virtual void LineMessage(int message) = 0;
    virtual void LineClosed() = 0;
    virtual void TakeCall() = 0;
    virtual void PlaceCall(const std::string& name, const std::string& number) = 0;
};

class PhoneLine : public QObject, public phone::AnsweringMachineHost {
public:
    PhoneLine(MainWindow* window, core::MessageReporter& reporter,
              telephony::LineDirectory directory);
    ~PhoneLine() override;

    // After the session started: the line chosen before (CommID) and the
    // answering machine's last state (AutoMessage); without a line, a new
    // user is told once how to set one up.
    void ApplyStartup();

    void StartMonitoring();
    void StopMonitoring();
    void SetAnswerMachine(bool on);
    // Phone > Modem Selection: choose the line device, modally.
    void ChooseLine();
    // Phone > Line Settings... changed the accounts: an open, idle line is
    // reopened now, so it reads them and registers again; during a call the
    // user is told that the change applies after the call, and the line is
    // reopened once it is idle (LineSettingsUpdate).
    void ApplyLineSettings();

    // The Phone icon for the state and the count of new messages, which the
    // window's title also shows.
    void ShowNewMessages(int new_messages);

    // Told of each message the machine has stored, after the lists show it.
    using MessageListener = std::function<void(const phone::AnsweredCall&, std::int32_t record)>;
    void SetMessageListener(MessageListener listener) { message_listener_ = std::move(listener); }

    bool line_open() const { return status_.lineOpen != 0; }
    bool answer_machine_on() const { return answer_machine_; }
    // A call rings, is dialled, is connected or is being answered.
    bool call_in_progress() const;
    // Changed line settings wait for the call to end.
    bool line_settings_waiting() const { return settings_update_.waiting(); }
    std::optional<std::uint32_t> device() const { return device_; }
    telephony::TapiLibrary& library() { return *library_; }
    phone::AnsweringMachine& machine() { return *machine_; }
    // Who takes the calls the user answers or places; null for nobody.
    void set_call_taker(CallTaker* taker) { call_taker_ = taker; }
    CallTaker* call_taker() const { return call_taker_; }

protected:
    bool event(QEvent* event) override;

private:
    void TelephonyFailed(int status) override;
    void MessageStored(const phone::AnsweredCall& call, std::int32_t record_number,
                       int save_code) override;

    // While the answering machine is off: who calls, and the choice to let
    // the machine take this call.
    void ShowIncomingCall();
    // Makes `line` the chosen one and keeps it in the profile: CommID, its
    // device number, and beside it its name, which finds it again after the
    // lines were renumbered (phone/chosen_line.h).
    void TakeChosenLine(const phone::LineDevice& line);
    phone::SavedLineChoice SavedChoice() const;
    // Finds the chosen line among the listed ones; true when it is there
    // (the profile follows a new number). A line that is gone is let go.
    bool FollowChosenLine(const phone::LineListing& listing);
    // The chosen line is no longer set up: nothing is monitored, no other
    // line is taken in its place, the user is told and Modem Selection
    // opens.
    void LetGoOfGoneLine();
    // "Kivo Modem Selection", not modal, with no line chosen.
    void OpenLineChoice();
    // Test in the line selection: the scripted line test, modally.
    void TestLine(const phone::LineDevice& line, QWidget* parent);
    void OfferLineChoiceOnce();
    // Reopens the line for waiting line settings once it is idle; checked
    // after each line message, outside the message's handling.
    void ReopenWhenDue();
    void ShowState(const char* text);
    void UpdateCommands();
    int CountNewMessages() const;
    void SetAllowedChecked(Command command, bool allowed, bool checked);

    MainWindow* window_;
    core::MessageReporter& reporter_;
    TapiStatus status_{};
    telephony::QtEventNotifier notifier_;
    std::unique_ptr<telephony::TapiLibrary> library_;
    std::unique_ptr<telephony::QtLinePump> pump_;
    std::unique_ptr<phone::AnsweringMachine> machine_;
    std::optional<std::uint32_t> device_;
    std::string line_name_;  // the chosen line's name; empty when not known
    bool answer_machine_ = false;
    const char* state_text_;
    QString caption_;  // the window's title without the new messages
    QPointer<IncomingCallDialog> incoming_;
    CallTaker* call_taker_ = nullptr;
    MessageListener message_listener_;
    LineSettingsUpdate settings_update_;
};

}  // namespace kivo::app
