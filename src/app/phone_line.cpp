// The main window's telephone line (see phone_line.h).
#include "phone_line.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include "incoming_call_dialog.h"
#include "kivo/core/record_list.h"
#include "kivo/core/shell_session.h"
#include "kivo/core/startup_configuration.h"
#include "kivo/phone/chosen_line.h"
#include "kivo/phone/line_choice.h"
#include "kivo/phone/telephony_error_text.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/data_store_layout.h"
#include "line_selection_dialog.h"
#include "line_tester_dialog.h"
#include "main_window.h"
#include "record_kind_list.h"
#include "ring_sound.h"
#include "zn2tapi.h"

namespace kivo::app {
namespace {

constexpr const char* kAutoMessageKey = "AutoMessage";
constexpr int kSearchPhoneCalls = 3;

bool IsLineMessage(int type) {
    return type >= ZN2TAPI_MSG_RING && type <= ZN2TAPI_MSG_PROCEEDING;
}

}  // namespace

PhoneLine::PhoneLine(MainWindow* window, core::MessageReporter& reporter,
                     telephony::LineDirectory directory)
    : QObject(window),
      window_(window),
      reporter_(reporter),
      library_(std::make_unique<telephony::TapiLibrary>(status_, std::move(directory), notifier_,
                                                        telephony::EnvironmentDebugSink())),
      state_text_(core::kLineMonitoringInactive),
      caption_(window->windowTitle()) {
    library_->InitVar();
    pump_ = std::make_unique<telephony::QtLinePump>(*library_, this);
    machine_ = std::make_unique<phone::AnsweringMachine>(
        *library_,
        [this] {
            core::ShellSession& session = window_->session();
            if (!session.started())
                return recorder::RecorderTarget{};
            // Bound at the moment of the save: the message goes into the
            // store open then, under its writer lock, with the log and
            // index through the session's journal like every other save.
            recorder::RecorderTarget target{session.store().working_folder(),
                                            session.store().store_path(),
                                            &session.profile(),
                                            session.section(),
                                            0,
                                            {}};
            recorder::BindToSession(target, session.store());
            return target;
        },
        window_->resources().folder(), *this);
    UpdateCommands();
}

PhoneLine::~PhoneLine() {
    pump_->Stop();
    if (status_.tapiInitialized != 0)
        library_->Close();
}

void PhoneLine::ApplyStartup() {
    core::ShellSession& session = window_->session();
    if (!session.started())
        return;
    if (const auto device = session.startup_profile().line_device) {
        device_ = *device;
        line_name_ =
            session.profile().Find(session.section(), phone::kChosenLineNameKey).value_or("");
        status_.deviceId = *device;
        status_.monitoring = 1;
        if (!FollowChosenLine(phone::ListLineDevices(*library_))) {
            ShowState(state_text_);
            ShowNewMessages(CountNewMessages());
            return;
        }
        switch (session.settings().answer_machine) {
            case core::AnswerMachineStart::kOn:
                SetAnswerMachine(true);
                break;
            case core::AnswerMachineStart::kOff:
                SetAnswerMachine(false);
                break;
            case core::AnswerMachineStart::kUnchanged:
                break;
        }
    } else {
        OfferLineChoiceOnce();
    }
    UpdateCommands();
    ShowState(state_text_);
    ShowNewMessages(CountNewMessages());
}

void PhoneLine::OfferLineChoiceOnce() {
    const core::ShellSession& session = window_->session();
    const phone::LineListing listing = phone::ListLineDevices(*library_);
    if (phone::HasNetworkLine(listing.devices)) {
        // A line that reaches the network is there but none is chosen yet.
        OpenLineChoice();
        return;
    }
    if (!session.startup_profile().first_start)
        return;
    // A new user with nothing to carry a call is told once how to set a line
    // up: when they first look at the phone list, not in the way of the first
    // start.
    auto* once = new QObject(this);
    connect(window_, &MainWindow::phoneListed, once, [this, once] {
        once->deleteLater();
        auto* advice = new QMessageBox(QMessageBox::Information, QStringLiteral("Kivo"),
                                       QString::fromLatin1(phone::kNoLineAdviceText),
                                       QMessageBox::Ok, window_);
        advice->setObjectName(QStringLiteral("noLineAdvice"));
        advice->setAttribute(Qt::WA_DeleteOnClose);
        advice->setWindowModality(Qt::NonModal);
        advice->show();
    });
}

void PhoneLine::OpenLineChoice() {
    auto* dialog =
        new LineSelectionDialog([this] { return phone::ListLineDevices(*library_); }, {}, window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (dialog->chosen())
            TakeChosenLine(*dialog->chosen());
    });
    dialog->open();
}

void PhoneLine::TakeChosenLine(const phone::LineDevice& line) {
    core::ShellSession& session = window_->session();
    device_ = line.device;
    line_name_ = line.name;
    status_.deviceId = line.device;
    status_.monitoring = 1;
    session.profile().Write(session.section(), core::profile_key::kCommId,
                            core::FormatLineDevice(line.device));
    session.profile().Write(session.section(), phone::kChosenLineNameKey, line.name);
    UpdateCommands();
}

phone::SavedLineChoice PhoneLine::SavedChoice() const {
    return {device_, line_name_};
}

bool PhoneLine::FollowChosenLine(const phone::LineListing& listing) {
    // A listing that failed says nothing about the line: it stays chosen.
    if (!device_ || listing.status > 0)
        return device_.has_value();
    const phone::ChosenLine found = phone::FindChosenLine(SavedChoice(), listing.devices);
    switch (found.state) {
        case phone::ChosenLineState::kFound:
            // A profile from before the name was kept learns it now.
            if (line_name_.empty())
                TakeChosenLine(found.line);
            return true;
        case phone::ChosenLineState::kRenumbered:
            TakeChosenLine(found.line);
            return true;
        case phone::ChosenLineState::kGone:
            LetGoOfGoneLine();
            return false;
        case phone::ChosenLineState::kNoneChosen:
            break;
    }
    return false;
}

void PhoneLine::LetGoOfGoneLine() {
    const std::string told = phone::ChosenLineGoneText(SavedChoice());
    // The profile keeps the choice until the user makes another, so that
    // the next start asks again rather than taking some other line.
    library_->Close();
    device_.reset();
    status_.monitoring = 0;
    answer_machine_ = false;
    machine_->SetOn(false);
    state_text_ = core::kLineMonitoringInactive;
    UpdateCommands();
    reporter_.ReportText(told, core::kStyleExclamation);
    OpenLineChoice();
}

void PhoneLine::StartMonitoring() {
    if (!device_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    core::ShellSession& session = window_->session();
    const auto rings = session.profile().Find(session.section(), core::profile_key::kRings);
    if (!rings)
        session.profile().Write(session.section(), core::profile_key::kRings, "3");
    status_.rings = rings ? static_cast<int>(core::ProfileInteger(*rings)) : core::kDefaultRings;
    if (status_.rings < 1)
        status_.rings = core::kDefaultRings;
    status_.deviceId = *device_;
    status_.monitoring = 1;

    if (status_.tapiInitialized == 0)
        library_->Init();
    if (status_.status > 0) {
        TelephonyFailed(status_.status);
    } else if (FollowChosenLine(phone::ListInitialisedLineDevices(*library_))) {
        // The lines may have been renumbered since the choice.
        status_.deviceId = *device_;
        library_->Open(this);
    }
    if (status_.lineOpen != 0) {
        pump_->Start();
        state_text_ = core::kLineMonitoringActive;
    } else {
        const int status = status_.status;
        if (status == 49 || status == 60 || status == 63)
            reporter_.ReportText(kLineGoneText, core::kStyleExclamation);
        else if (status == 42)
            reporter_.ReportText(kLineUnusableText, core::kStyleExclamation);
        else if (status > 0)
            TelephonyFailed(status);
        library_->Close();
        status_.monitoring = 0;
        answer_machine_ = false;
        machine_->SetOn(false);
        state_text_ = kLineMonitoringFailed;
    }
    UpdateCommands();
    ShowState(state_text_);
    ShowNewMessages(CountNewMessages());
    QApplication::restoreOverrideCursor();
}

void PhoneLine::StopMonitoring() {
    settings_update_.LineClosed();
    pump_->Stop();
    library_->Close();
    if (call_taker_ != nullptr)
        call_taker_->LineClosed();
    state_text_ = core::kLineMonitoringInactive;
    UpdateCommands();
    ShowState(state_text_);
    ShowNewMessages(CountNewMessages());
}

void PhoneLine::SetAnswerMachine(bool on) {
    core::ShellSession& session = window_->session();
    if (on && status_.callConnected != 0 && !machine_->busy()) {
        reporter_.ReportText(kCallInProgressText, core::kStyleExclamation);
        return;
    }
    if (on && status_.monitoring != 0 && !line_open())
        StartMonitoring();
    answer_machine_ = on && line_open();
    machine_->SetOn(answer_machine_);
    if (status_.monitoring != 0)
        session.profile().Write(session.section(), kAutoMessageKey, answer_machine_ ? "1" : "0");
    UpdateCommands();
    ShowNewMessages(CountNewMessages());
}

void PhoneLine::ChooseLine() {
    const bool was_open = line_open();
    if (was_open)
        StopMonitoring();
    LineSelectionDialog dialog([this] { return phone::ListLineDevices(*library_); }, SavedChoice(),
                               window_);
    connect(&dialog, &LineSelectionDialog::listFailed, this,
            [this](int status) { TelephonyFailed(status); });
    dialog.SetTester([this, &dialog](const phone::LineDevice& line) { TestLine(line, &dialog); });
    if (dialog.exec() == QDialog::Accepted && dialog.chosen()) {
        TakeChosenLine(*dialog.chosen());
        // A newly chosen line starts with the answering machine off.
        SetAnswerMachine(false);
    }
    if (was_open)
        StartMonitoring();
    UpdateCommands();
}

bool PhoneLine::call_in_progress() const {
    return status_.call != 0 || status_.dialPending != 0 || status_.callConnected != 0 ||
           machine_->busy();
}

void PhoneLine::ApplyLineSettings() {
    switch (settings_update_.SettingsChanged(line_open(), call_in_progress())) {
        case LineSettingsUpdate::Step::kNothing:
            break;
        case LineSettingsUpdate::Step::kReopenNow:
            StopMonitoring();
            StartMonitoring();
            break;
        case LineSettingsUpdate::Step::kAfterTheCall:
            reporter_.ReportText(kLineSettingsAfterCallText, core::kStyleInformation);
            break;
    }
}

void PhoneLine::ReopenWhenDue() {
    if (!settings_update_.ReopenDue(line_open(), call_in_progress()))
        return;
    StopMonitoring();
    StartMonitoring();
}

void PhoneLine::TestLine(const phone::LineDevice& line, QWidget* parent) {
    const core::ShellSession& session = window_->session();
    const std::filesystem::path folder = session.started() ? session.store().working_folder()
                                                           : std::filesystem::temp_directory_path();
    LineTesterDialog tester(*library_, line, folder, folder / recordstore::kGreetingName, parent);
    tester.setObjectName(QStringLiteral("lineTester"));
    tester.exec();
}

bool PhoneLine::event(QEvent* event) {
    const int type = static_cast<int>(event->type());
    if (!IsLineMessage(type))
        return QObject::event(event);
    machine_->HandleMessage(type);
    switch (type) {
        case ZN2TAPI_MSG_NEW_CALL:
            if (!machine_->on() && status_.incoming == 1)
                ShowIncomingCall();
            break;
        case ZN2TAPI_MSG_CALLER_ID:
            if (incoming_ != nullptr)
                incoming_->ShowCaller(QString::fromUtf8(status_.callerNumber),
                                      QString::fromUtf8(status_.callerName));
            break;
        case ZN2TAPI_MSG_DISCONNECTED:
        case ZN2TAPI_MSG_IDLE:
            if (incoming_ != nullptr)
                incoming_->close();
            break;
        default:
            break;
    }
    if (call_taker_ != nullptr)
        call_taker_->LineMessage(type);
    if (settings_update_.waiting())
        QTimer::singleShot(0, this, [this] { ReopenWhenDue(); });
    return true;
}

void PhoneLine::ShowIncomingCall() {
    if (incoming_ == nullptr) {
        incoming_ = new IncomingCallDialog(window_);
        incoming_->setObjectName(QStringLiteral("incomingCall"));
        incoming_->setAttribute(Qt::WA_DeleteOnClose);
        connect(incoming_, &IncomingCallDialog::machineChosen, this,
                [this] { machine_->TakeThisCall(); });
        connect(incoming_, &IncomingCallDialog::callTaken, this, [this] {
            if (call_taker_ != nullptr)
                call_taker_->TakeCall();
        });
        new RingSound(incoming_, window_->resources().folder());
    }
    incoming_->ShowCaller(QString::fromUtf8(status_.callerNumber),
                          QString::fromUtf8(status_.callerName));
    incoming_->show();
    incoming_->raise();
}

void PhoneLine::TelephonyFailed(int status) {
    reporter_.ReportText(phone::TelephonyErrorText(status), core::kStyleExclamation);
}

void PhoneLine::MessageStored(const phone::AnsweredCall& call, std::int32_t record_number,
                              int save_code) {
    if (save_code > 0)
        reporter_.ReportMessage(save_code, core::kStyleExclamation);
    window_->session().CommitStoreChanges();
    if (window_->view() == core::ViewKind::kPhone)
        window_->RefreshCurrentView();  // shows the icon too
    else
        ShowNewMessages(CountNewMessages());
    if (message_listener_ && record_number > 0)
        message_listener_(call, record_number);
    if (settings_update_.waiting())
        QTimer::singleShot(0, this, [this] { ReopenWhenDue(); });
}

void PhoneLine::ShowState(const char* text) {
    const core::ShellSession& session = window_->session();
    std::string shown = text;
    if (session.started())
        shown += core::kUsingStoreText + session.store().store_path().string();
    window_->SetLineStateText(QString::fromStdString(shown));
}

void PhoneLine::ShowNewMessages(int new_messages) {
    window_->kind_list()->SetPhoneIcon(
        PhoneIconFor(line_open(), answer_machine_ && line_open(), new_messages));
    // Seen without opening the phone list, also from the task bar.
    window_->setWindowTitle(new_messages > 0
                                ? caption_ + QStringLiteral(" - %1 new %2")
                                                 .arg(new_messages)
                                                 .arg(new_messages == 1 ? "message" : "messages")
                                : caption_);
}

int PhoneLine::CountNewMessages() const {
    const core::ShellSession& session = window_->session();
    if (!session.started())
        return 0;
    int count = 0;
    for (const core::RecordRow& row : core::SearchLog(
             session.store().working_folder() / recordstore::kPhoneLogName, kSearchPhoneCalls)) {
        if (row.image == core::kImageNewMessage)
            ++count;
    }
    return count;
}

void PhoneLine::SetAllowedChecked(Command command, bool allowed, bool checked) {
    window_->commands().SetAllowed(command, allowed);
    if (QAction* action = window_->commands().action(command); action->isCheckable())
        action->setChecked(checked);
}

void PhoneLine::UpdateCommands() {
    const bool chosen = device_.has_value();
    SetAllowedChecked(Command::kStartMonitoring, chosen && !line_open(), false);
    SetAllowedChecked(Command::kStopMonitoring, line_open(), false);
    SetAllowedChecked(Command::kAnswerMachineOn, chosen && !answer_machine_, answer_machine_);
    SetAllowedChecked(Command::kAnswerMachineOff, chosen && answer_machine_,
                      chosen && !answer_machine_);
}

}  // namespace kivo::app
