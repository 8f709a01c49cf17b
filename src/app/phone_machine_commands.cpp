// The answering machine's commands (see phone_machine_commands.h).
#include "phone_machine_commands.h"

#include <QApplication>
#include <QDBusConnection>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

#include "kivo/dbus/desktop_notifier.h"
#include "kivo/phone/dictation_greeting.h"
#include "main_window.h"
#include "new_message_notice.h"
#include "phone_line.h"

namespace kivo::app {
namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString GreetingFailureText(phone::GreetingResult result) {
    switch (result) {
        case phone::GreetingResult::kConversionFailed:
            return QString::fromLatin1(phone::kGreetingConversionFailedText);
        case phone::GreetingResult::kUnpackFailed:
            return QStringLiteral(
                "The recording of this dictation could not be read from the "
                "data store.");
        case phone::GreetingResult::kWriteFailed:
            return QStringLiteral("The greeting could not be written.");
        case phone::GreetingResult::kNotADictation:
        case phone::GreetingResult::kStored:
            break;
    }
    return QStringLiteral("Only a dictation can be the greeting.");
}

// Action > Use dictation as greeting: the one selected dictation becomes
// the greeting, kept with the data store.
void UseSelectedDictationAsGreeting(MainWindow* window, core::MessageReporter* reporter) {
    core::ShellSession& session = window->session();
    const std::vector<int> rows = window->SelectedRows();
    if (!session.started() || rows.size() != 1 || window->view() != core::ViewKind::kDictation)
        return;
    const std::vector<core::SelectedRecord> selected = window->records().CollectSelection(rows);
    if (selected.empty())
        return;
    WaitCursor wait;
    const phone::GreetingOutcome outcome = phone::UseDictationAsGreeting(
        session.store().working_folder(), session.store().store_path(),
        selected.front().recording_file);
    if (outcome.result != phone::GreetingResult::kStored) {
        reporter->ReportText(GreetingFailureText(outcome.result).toStdString(),
                             core::kStyleExclamation);
        return;
    }
    session.CommitStoreChanges();
}

// Where the window's new-message notice is kept, so that it can be replaced.
class NoticeHolder : public QObject {
public:
    explicit NoticeHolder(QObject* parent) : QObject(parent) {
        setObjectName(QStringLiteral("newMessageNotice"));
    }
    NewMessageNotice* notice = nullptr;
};

}  // namespace

bool PlayPhoneMessage(MainWindow* window, std::int32_t record_number) {
    window->showNormal();
    window->raise();
    window->activateWindow();
    window->ShowKind(core::ViewKind::kPhone);
    QTableView* list = window->record_view();
    for (int row = 0; row < window->records().rowCount(); ++row) {
        if (window->records().Id(row).toInt() != record_number)
            continue;
        list->setRowHidden(row, false);
        const QModelIndex index = window->records().index(row, 0);
        list->selectionModel()->select(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        list->scrollTo(index);
        window->commands().action(Command::kPlay)->trigger();
        return true;
    }
    return false;
}

void ReplaceNewMessageNotice(MainWindow* window, NewMessageNotice* notice) {
    if (auto* holder = dynamic_cast<NoticeHolder*>(
            window->findChild<QObject*>(QStringLiteral("newMessageNotice")))) {
        holder->notice = notice;
    }
}

void RoutePhoneMachineCommands(MainWindow* window, core::MessageReporter* reporter) {
    window->commands().Route(Command::kUseAsGreeting, [window, reporter] {
        UseSelectedDictationAsGreeting(window, reporter);
    });
    auto* line = window->findChild<PhoneLine*>(QStringLiteral("phoneLine"));
    if (line == nullptr)
        return;
    auto* holder = new NoticeHolder(window);
    auto* notifier = new dbus::DesktopNotifier(QDBusConnection::sessionBus(), holder);
    holder->notice = new DesktopMessageNotice(
        notifier, [window](std::int32_t record) { PlayPhoneMessage(window, record); }, holder);
    line->SetMessageListener([holder](const phone::AnsweredCall& call, std::int32_t record_number) {
        NewMessage message{CallerText(call.caller_name, call.caller_number),
                           QString::fromStdString(call.start_log_date), record_number};
        // After the line's message is handled: the notice may wait for the
        // notification service.
        QTimer::singleShot(0, holder, [holder, message] {
            if (holder->notice != nullptr)
                holder->notice->Show(message);
        });
    });
}

}  // namespace kivo::app
