// The list of SIP accounts (see line_accounts_dialog.h).
#include "line_accounts_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "line_account_edit_dialog.h"

namespace kivo::app {
namespace {

QString TransportName(const std::string& transport) {
    return QString::fromStdString(transport).toUpper();
}

// "Office - ann@pbx.example.org (TLS)".
QString Describe(const telephony::SipLineSettings& account) {
    return QStringLiteral("%1 - %2@%3 (%4)")
        .arg(QString::fromStdString(account.name), QString::fromStdString(account.user),
             QString::fromStdString(account.domain), TransportName(account.transport));
}

}  // namespace

LineAccountsDialog::LineAccountsDialog(telephony::LineAccounts& accounts, QWidget* parent)
    : QDialog(parent), accounts_(accounts) {
    setWindowTitle(QString::fromLatin1(kLineSettingsTitle));
    list_ = new QListWidget(this);
    list_->setMinimumWidth(380);
    auto* list_label = new QLabel(tr("SIP acc&ounts (each one is a line device):"), this);
    list_label->setBuddy(list_);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* apply_note = new QLabel(
        tr("Passwords go to the desktop's secret store (where none runs, to a file only you "
           "can read), never to the settings file. Changes apply when the line is opened next "
           "(Start Monitoring Phone Line)."),
        this);
    apply_note->setWordWrap(true);

    auto* add = new QPushButton(tr("&Add..."), this);
    edit_ = new QPushButton(tr("&Edit..."), this);
    remove_ = new QPushButton(tr("&Remove"), this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {add, edit_, remove_})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* bottom = new QDialogButtonBox(this);
    bottom->addButton(tr("&Close"), QDialogButtonBox::RejectRole);
    bottom->addButton(QDialogButtonBox::Help)->setText(tr("&Help"));

    auto* middle = new QHBoxLayout;
    middle->addWidget(list_, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_label);
    layout->addLayout(middle);
    layout->addWidget(apply_note);
    layout->addWidget(note_);
    layout->addWidget(bottom);

    connect(add, &QPushButton::clicked, this, &LineAccountsDialog::Add);
    connect(edit_, &QPushButton::clicked, this, &LineAccountsDialog::Edit);
    connect(remove_, &QPushButton::clicked, this, &LineAccountsDialog::Remove);
    connect(list_, &QListWidget::itemActivated, this, &LineAccountsDialog::Edit);
    connect(list_, &QListWidget::currentRowChanged, this, &LineAccountsDialog::UpdateButtons);
    connect(bottom, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(bottom, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(QString::fromLatin1(kLineSettingsHelpTopic)); });
    // Not while the account form (a window of its own, but a child) has the
    // focus: its own F1 answers there.
    auto* help_key = new QShortcut(QKeySequence::HelpContents, this);
    help_key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(help_key, &QShortcut::activated, this,
            [this] { emit helpRequested(QString::fromLatin1(kLineSettingsHelpTopic)); });
    Fill(0);
    note_->setVisible(false);
}

void LineAccountsDialog::Fill(int current_row) {
    list_->clear();
    for (const telephony::SipLineSettings& account : accounts_.accounts())
        list_->addItem(Describe(account));
    if (list_->count() > 0) {
        list_->setCurrentRow(std::min(current_row, list_->count() - 1));
        list_->setFocus();
    }
    UpdateButtons();
}

void LineAccountsDialog::UpdateButtons() {
    const bool chosen = list_->currentRow() >= 0;
    edit_->setEnabled(chosen);
    remove_->setEnabled(chosen);
}

void LineAccountsDialog::ShowNote(const telephony::AccountOutcome& outcome) {
    note_->setText(QString::fromStdString(outcome.message));
    note_->setVisible(!outcome.message.empty());
}

void LineAccountsDialog::Add() {
    telephony::SipLineSettings start;
    start.port = 0;
    OpenForm(start, false, std::nullopt);
}

void LineAccountsDialog::Edit() {
    const int row = list_->currentRow();
    if (row < 0)
        return;
    const telephony::SipLineSettings& account =
        accounts_.accounts().at(static_cast<std::size_t>(row));
    OpenForm(account, accounts_.HasPassword(account.name), static_cast<std::size_t>(row));
}

// The form is window-modal and not run in a loop of its own, so the dialog
// (and a test) stays in charge; its save goes straight to LineAccounts.
void LineAccountsDialog::OpenForm(const telephony::SipLineSettings& start, bool has_password,
                                  std::optional<std::size_t> index) {
    form_ = new LineAccountEditDialog(
        start, has_password,
        [this, index](const telephony::SipLineSettings& account,
                      const telephony::PasswordChange& password) {
            return index ? accounts_.Update(*index, account, password)
                         : accounts_.Add(account, password);
        },
        this);
    form_->setAttribute(Qt::WA_DeleteOnClose);
    connect(form_, &LineAccountEditDialog::helpRequested, this, &LineAccountsDialog::helpRequested);
    connect(form_, &QDialog::accepted, this, [this, index, form = form_] {
        ShowNote(form->outcome());
        Fill(index ? static_cast<int>(*index) : static_cast<int>(accounts_.accounts().size()) - 1);
        emit accountsChanged();
    });
    connect(form_, &QObject::destroyed, this, [this] { form_ = nullptr; });
    form_->open();
}

void LineAccountsDialog::Remove() {
    const int row = list_->currentRow();
    if (row < 0)
        return;
    const QString name =
        QString::fromStdString(accounts_.accounts().at(static_cast<std::size_t>(row)).name);
    auto* ask = new QMessageBox(QMessageBox::Question, QString::fromLatin1(kLineSettingsTitle),
                                tr("Remove the account \"%1\" and forget its password?").arg(name),
                                QMessageBox::Yes | QMessageBox::No, this);
    ask->setObjectName(QStringLiteral("confirmRemove"));
    ask->setDefaultButton(QMessageBox::No);
    ask->setAttribute(Qt::WA_DeleteOnClose);
    connect(ask, &QMessageBox::finished, this, [this, row](int answer) {
        if (answer != QMessageBox::Yes)
            return;
        const telephony::AccountOutcome outcome = accounts_.Remove(static_cast<std::size_t>(row));
        ShowNote(outcome);
        Fill(row);
        if (outcome.saved())
            emit accountsChanged();
    });
    ask->open();
}

}  // namespace kivo::app
