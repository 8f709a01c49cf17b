// The Phone menu's routing (see phone_commands.h).
#include "phone_commands.h"

#include <QTimer>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/telephony/line_configuration.h"
#include "main_window.h"
#include "phone_book_dialog.h"
#include "phone_line.h"

namespace kivo::app {

namespace {

void ShowPhoneBook(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    PhoneBookDialog book(
        session.store().working_folder() / recordstore::kPhoneBookName, reporter,
        [&session] { session.CommitStoreChanges(); }, window);
    book.exec();
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
    commands.Route(Command::kPhoneBook, [window, &reporter] { ShowPhoneBook(window, reporter); });
    QObject::connect(window, &MainWindow::phoneListed, line,
                     [line](int new_messages) { line->ShowNewMessages(new_messages); });
    // The window starts its session after it is made; the line follows once
    // the event loop runs.
    QTimer::singleShot(0, line, [line] { line->ApplyStartup(); });
    return line;
}

}  // namespace kivo::app
