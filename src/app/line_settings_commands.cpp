// Phone > Line Settings... (see line_settings_commands.h).
#include "line_settings_commands.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "command_router.h"
#include "kivo/secrets/secret_store.h"
#include "kivo/telephony/line_accounts.h"
#include "line_accounts_dialog.h"
#include "main_window.h"
#include "phone_line.h"

namespace kivo::app {
namespace {

MainWindow* MainWindowOf(QWidget* widget) {
    for (QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        if (auto* window = qobject_cast<MainWindow*>(at))
            return window;
    }
    return nullptr;
}

// The Phone menu is the one holding Modem Selection; Line Settings goes
// right under it.
void AddToPhoneMenu(MainWindow* window) {
    QAction* modem_selection = window->commands().action(Command::kModemSelection);
    QAction* line_settings = window->commands().action(Command::kLineSettings);
    for (QAction* top : window->menuBar()->actions()) {
        QMenu* menu = top->menu();
        if (menu == nullptr || !menu->actions().contains(modem_selection))
            continue;
        const QList<QAction*> items = menu->actions();
        const qsizetype after = items.indexOf(modem_selection);
        menu->insertAction(after + 1 < items.size() ? items[after + 1] : nullptr, line_settings);
        return;
    }
}

}  // namespace

bool RunLineSettings(QWidget* parent) {
    const std::unique_ptr<secrets::SecretStore> passwords = secrets::OpenSecretStore();
    telephony::LineAccounts accounts(telephony::LineConfigurationPath(), *passwords);
    const telephony::AccountOutcome loaded = accounts.Load();
    LineAccountsDialog dialog(accounts, parent);
    if (!loaded.saved()) {
        dialog.note_label()->setText(QString::fromStdString(loaded.message));
        dialog.note_label()->show();
    }
    if (MainWindow* window = MainWindowOf(parent)) {
        QObject::connect(&dialog, &LineAccountsDialog::helpRequested, window,
                         &MainWindow::ShowHelpTopic);
    }
    bool changed = false;
    QObject::connect(&dialog, &LineAccountsDialog::accountsChanged, &dialog,
                     [&changed] { changed = true; });
    dialog.exec();
    return changed;
}

void RouteLineSettingsCommands(MainWindow* window) {
    window->commands().Route(Command::kLineSettings, [window] {
        if (!RunLineSettings(window))
            return;
        // The open line takes the change up now, or after its call.
        if (auto* line = dynamic_cast<PhoneLine*>(window->findChild<QObject*>("phoneLine")))
            line->ApplyLineSettings();
    });
    AddToPhoneMenu(window);
}

}  // namespace kivo::app
