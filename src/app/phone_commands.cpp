// The Phone menu's routing (see phone_commands.h).
#include "phone_commands.h"

#include <QTimer>

#include "kivo/phone/phone_book.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/telephony/line_configuration.h"
#include "main_window.h"
#include "phone_book_dialog.h"
#include "phone_line.h"

namespace kivo::app {

namespace {

// Columns of the phone list.
constexpr std::size_t kNumberColumn = 1;
constexpr std::size_t kNameColumn = 2;

// OK dials the chosen entry in the Phone Recorder; with none chosen it opens
// the Phone Recorder without a number.
void ShowPhoneBook(MainWindow* window, core::MessageReporter& reporter, PhoneLine* line) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    PhoneBookDialog book(
        session.store().working_folder() / recordstore::kPhoneBookName, reporter,
        [&session] { session.CommitStoreChanges(); }, window);
    if (book.exec() != QDialog::Accepted || line->call_taker() == nullptr)
        return;
    const auto entry = book.chosen();
    line->call_taker()->PlaceCall(entry ? entry->name : std::string(),
                                  entry ? entry->number : std::string());
}

// Action > Add to PhoneBook: each selected call's caller, in list order; the
// first entry that cannot be written stops it with message 120.
void AddSelectedCallersToPhoneBook(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started() || window->view() != core::ViewKind::kPhone)
        return;
    const phone::PhoneBook book(session.store().working_folder() / recordstore::kPhoneBookName);
    const std::vector<core::RecordRow>& rows = window->records().list().rows();
    bool added = false;
    for (int row : window->SelectedRows()) {
        const std::vector<std::string>& columns = rows.at(static_cast<std::size_t>(row)).columns;
        const int code = book.Append(columns[kNameColumn], columns[kNumberColumn]);
        if (code != 0) {
            reporter.ReportMessage(code, core::kStyleExclamation);
            break;
        }
        added = true;
    }
    if (added)
        session.CommitStoreChanges();
}

}  // namespace

PhoneLine* RoutePhoneCommands(MainWindow* window, core::MessageReporter& reporter) {
    auto* line = new PhoneLine(window, reporter, telephony::ConfiguredLineDirectory());
    line->setObjectName(QStringLiteral("phoneLine"));
    CommandRouter& commands = window->commands();
    commands.Route(Command::kModemSelection, [line] { line->ChooseLine(); });
    commands.Route(Command::kStartMonitoring, [line] { line->StartMonitoring(); });
    commands.Route(Command::kStopMonitoring, [line] { line->StopMonitoring(); });
    commands.Route(Command::kAnswerMachineOn, [line] { line->SetAnswerMachine(true); });
    commands.Route(Command::kAnswerMachineOff, [line] { line->SetAnswerMachine(false); });
    commands.Route(Command::kPhoneBook,
                   [window, &reporter, line] { ShowPhoneBook(window, reporter, line); });
    commands.Route(Command::kAddToPhoneBook,
                   [window, &reporter] { AddSelectedCallersToPhoneBook(window, reporter); });
    QObject::connect(window, &MainWindow::phoneListed, line,
                     [line](int new_messages) { line->ShowNewMessages(new_messages); });
    // The window starts its session after it is made; the line follows once
    // the event loop runs.
    QTimer::singleShot(0, line, [line] { line->ApplyStartup(); });
    return line;
}

}  // namespace kivo::app
