// The form of one SIP account (see line_account_edit_dialog.h).
#include "line_account_edit_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "kivo/telephony/account_validation.h"
#include "line_accounts_dialog.h"

namespace kivo::app {
namespace {

QLineEdit* TextField(const std::string& text, const QString& placeholder, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setPlaceholderText(placeholder);
    edit->setMaxLength(static_cast<int>(telephony::kMaxAccountFieldBytes));
    return edit;
}

void AddRow(QFormLayout* form, const QString& label_text, QWidget* field) {
    auto* label = new QLabel(label_text, field->parentWidget());
    label->setBuddy(field);
    form->addRow(label, field);
}

}  // namespace

LineAccountEditDialog::LineAccountEditDialog(const telephony::SipLineSettings& account,
                                             bool has_password, SaveAccount save, QWidget* parent)
    : QDialog(parent), save_(std::move(save)), start_(account), has_password_(has_password) {
    setWindowTitle(QString::fromLatin1(kLineAccountTitle));
    name_ = TextField(account.name, tr("as the line list shows it, e.g. Office"), this);
    user_ = TextField(account.user, tr("the part before @"), this);
    domain_ = TextField(account.domain, tr("e.g. sip.example.org"), this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(has_password ? tr("kept; type to change it") : tr("none kept"));
    forget_password_ = new QCheckBox(tr("&Forget the kept password"), this);
    forget_password_->setVisible(has_password);
    transport_ = new QComboBox(this);
    transport_->addItem(tr("UDP"), QStringLiteral("udp"));
    transport_->addItem(tr("TCP"), QStringLiteral("tcp"));
    transport_->addItem(tr("TLS (encrypted)"), QStringLiteral("tls"));
    transport_->setCurrentIndex(
        std::max(0, transport_->findData(QString::fromStdString(account.transport))));
    port_ = new QSpinBox(this);
    port_->setRange(0, 65535);
    port_->setSpecialValueText(tr("Transport's default"));
    port_->setValue(account.port);
    proxy_ = TextField(account.proxy, tr("empty: straight to the domain"), this);
    ring_period_ = new QSpinBox(this);
    ring_period_->setRange(telephony::kMinRingPeriodMs, telephony::kMaxRingPeriodMs);
    ring_period_->setSingleStep(500);
    ring_period_->setSuffix(tr(" ms"));
    ring_period_->setValue(account.ring_period_ms);

    auto* form = new QFormLayout;
    AddRow(form, tr("&Name:"), name_);
    AddRow(form, tr("&User:"), user_);
    AddRow(form, tr("&Domain (registrar):"), domain_);
    AddRow(form, tr("&Password:"), password_);
    form->addRow(QString(), forget_password_);
    AddRow(form, tr("&Transport:"), transport_);
    AddRow(form, tr("P&ort:"), port_);
    AddRow(form, tr("Outbound pro&xy:"), proxy_);
    AddRow(form, tr("R&ing period:"), ring_period_);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00020;"));
    problem_->hide();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save_button = buttons->addButton(tr("&Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    buttons->addButton(QDialogButtonBox::Help)->setText(tr("&Help"));
    save_button->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &LineAccountEditDialog::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(QString::fromLatin1(kLineSettingsHelpTopic)); });
    auto* help_key = new QShortcut(QKeySequence::HelpContents, this);
    connect(help_key, &QShortcut::activated, this,
            [this] { emit helpRequested(QString::fromLatin1(kLineSettingsHelpTopic)); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    name_->setFocus();
}

telephony::SipLineSettings LineAccountEditDialog::settings() const {
    telephony::SipLineSettings account = start_;
    account.name = name_->text().trimmed().toStdString();
    account.user = user_->text().trimmed().toStdString();
    account.domain = domain_->text().trimmed().toStdString();
    account.proxy = proxy_->text().trimmed().toStdString();
    account.transport = transport_->currentData().toString().toStdString();
    account.port = port_->value();
    account.ring_period_ms = ring_period_->value();
    return account;
}

telephony::PasswordChange LineAccountEditDialog::password_change() const {
    if (has_password_ && forget_password_->isChecked())
        return std::string();
    if (password_->text().isEmpty())
        return std::nullopt;
    return password_->text().toStdString();
}

void LineAccountEditDialog::Save() {
    outcome_ = save_(settings(), password_change());
    if (!outcome_.saved()) {
        problem_->setText(QString::fromStdString(outcome_.message));
        problem_->show();
        return;
    }
    password_->clear();
    accept();
}

}  // namespace kivo::app
