// "Kivo Line Settings" and its account form, as the user meets them: an
// account added through the form is listed and its password goes to the
// secret store only; a malformed setting keeps the form open and says why;
// Remove asks first; everything is reachable by keyboard with F1 for help;
// and the dialog is reached from the Phone menu and from "Kivo Modem
// Selection", whose line list then shows the new account.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <map>

#include "app_fixture.h"
#include "demo_line_window.h"
#include "file_bytes.h"
#include "kivo/core/user_messages.h"
#include "kivo/telephony/line_configuration.h"
#include "line_account_edit_dialog.h"
#include "line_accounts_dialog.h"
#include "line_selection_dialog.h"
#include "main_window.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;

class MemorySecretStore : public secrets::SecretStore {
public:
    secrets::SecretStatus Save(const std::string& account, const std::string& password) override {
        passwords[account] = password;
        return secrets::SecretStatus::Ok("The password is kept in the test's store.");
    }
    secrets::SecretLookup Lookup(const std::string& account) override {
        const auto found = passwords.find(account);
        if (found == passwords.end())
            return {secrets::SecretStatus::NotFound(), {}};
        return {secrets::SecretStatus::Ok(), found->second};
    }
    secrets::SecretStatus Remove(const std::string& account) override {
        passwords.erase(account);
        return secrets::SecretStatus::Ok();
    }
    std::map<std::string, std::string> passwords;
};

QPushButton* ButtonNamed(QWidget* parent, const QString& text) {
    for (auto* button : parent->findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

void FillOffice(LineAccountEditDialog* form, const QString& domain) {
    form->name_edit()->setText(QStringLiteral("Office"));
    form->user_edit()->setText(QStringLiteral("ann"));
    form->domain_edit()->setText(domain);
    form->password_edit()->setText(QStringLiteral("pa55 word"));
    form->transport_box()->setCurrentIndex(form->transport_box()->findData("tls"));
    form->port_box()->setValue(5061);
}

class LineSettingsDialogTest : public testing::Test {
protected:
    test::TempDir dir_;
    std::string path_ = dir_.file("kivo/telephony.conf");
    MemorySecretStore store_;
    telephony::LineAccounts accounts_{path_, store_};
};

TEST_F(LineSettingsDialogTest, AnAccountAddedThroughTheFormIsListedAndItsPasswordOnlyStored) {
    accounts_.Load();
    LineAccountsDialog dialog(accounts_);
    EXPECT_EQ(dialog.windowTitle(), "Kivo Line Settings");
    ButtonNamed(&dialog, "&Add...")->click();
    LineAccountEditDialog* form = dialog.open_form();
    ASSERT_NE(form, nullptr);
    FillOffice(form, QStringLiteral("pbx.example.org"));
    ButtonNamed(form, "&Save")->click();

    ASSERT_EQ(dialog.account_list()->count(), 1);
    EXPECT_EQ(dialog.account_list()->item(0)->text(), "Office - ann@pbx.example.org (TLS)");
    EXPECT_EQ(dialog.note_label()->text(), "The password is kept in the test's store.");
    EXPECT_EQ(store_.passwords["Office"], "pa55 word");
    const std::string text = test::ReadFileText(path_);
    EXPECT_NE(text.find("[account Office]"), std::string::npos);
    EXPECT_NE(text.find("port = 5061"), std::string::npos);
    EXPECT_EQ(text.find("pa55"), std::string::npos);
}

TEST_F(LineSettingsDialogTest, AMalformedDomainKeepsTheFormOpenAndSaysWhy) {
    accounts_.Load();
    LineAccountsDialog dialog(accounts_);
    dialog.Add();
    LineAccountEditDialog* form = dialog.open_form();
    ASSERT_NE(form, nullptr);
    FillOffice(form, QStringLiteral("pbx example.org"));
    ButtonNamed(form, "&Save")->click();
    EXPECT_EQ(dialog.open_form(), form);
    EXPECT_EQ(form->result(), 0);
    EXPECT_TRUE(form->problem_label()->text().contains("is not a host name"));
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_TRUE(store_.passwords.empty());

    form->domain_edit()->setText(QStringLiteral("pbx.example.org"));
    ButtonNamed(form, "&Save")->click();
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(dialog.account_list()->count(), 1);
}

TEST_F(LineSettingsDialogTest, EditingLeavesAnUntypedPasswordAsKeptAndCanForgetIt) {
    telephony::SipLineSettings office;
    office.name = "Office";
    office.user = "ann";
    office.domain = "pbx.example.org";
    office.tls_ca_file = "/etc/kivo/pbx-ca.pem";  // set in the file only; the form keeps it
    accounts_.Load();
    accounts_.Add(office, std::string("old secret"));
    LineAccountsDialog dialog(accounts_);
    dialog.Edit();
    LineAccountEditDialog* form = dialog.open_form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->domain_edit()->text(), "pbx.example.org");
    EXPECT_TRUE(form->password_edit()->text().isEmpty());
    form->domain_edit()->setText(QStringLiteral("sip.example.org"));
    ButtonNamed(form, "&Save")->click();
    EXPECT_EQ(accounts_.accounts()[0].domain, "sip.example.org");
    EXPECT_EQ(accounts_.accounts()[0].tls_ca_file, "/etc/kivo/pbx-ca.pem");
    EXPECT_EQ(store_.passwords["Office"], "old secret");

    dialog.Edit();
    form = dialog.open_form();
    ASSERT_NE(form, nullptr);
    form->forget_password_box()->setChecked(true);
    ButtonNamed(form, "&Save")->click();
    EXPECT_TRUE(store_.passwords.empty());
}

TEST_F(LineSettingsDialogTest, RemoveAsksFirstAndOnYesForgetsAccountAndPassword) {
    telephony::SipLineSettings office;
    office.name = "Office";
    office.user = "ann";
    office.domain = "pbx.example.org";
    accounts_.Load();
    accounts_.Add(office, std::string("secret"));
    LineAccountsDialog dialog(accounts_);
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        dialog.Remove();
        auto* ask = dialog.findChild<QMessageBox*>("confirmRemove");
        ASSERT_NE(ask, nullptr);
        EXPECT_TRUE(ask->text().contains("\"Office\""));
        ask->button(answer)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(dialog.account_list()->count(), 0);
    EXPECT_TRUE(accounts_.accounts().empty());
    EXPECT_TRUE(store_.passwords.empty());
}

// Within one window no two controls share an Alt+letter and every label's
// letter leads to a control; F1 asks for the page of these dialogs.
void ExpectKeyboardAccess(QWidget* window) {
    std::map<QChar, QString> owners;
    auto claim = [&owners](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= text.size())
            return;
        const QChar letter = text[at + 1].toLower();
        EXPECT_FALSE(owners.count(letter))
            << "Alt+" << letter.toLatin1() << " is used by \"" << owners[letter].toStdString()
            << "\" and \"" << text.toStdString() << "\"";
        owners[letter] = text;
    };
    for (auto* button : window->findChildren<QAbstractButton*>())
        claim(button->text());
    for (auto* label : window->findChildren<QLabel*>()) {
        if (!label->text().contains(QLatin1Char('&')))
            continue;
        claim(label->text());
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
    }
}

TEST_F(LineSettingsDialogTest, BothWindowsWorkByKeyboardAndF1OpensTheirHelpPage) {
    accounts_.Load();
    LineAccountsDialog dialog(accounts_);
    QSignalSpy help(&dialog, &LineAccountsDialog::helpRequested);
    ExpectKeyboardAccess(&dialog);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_F1);
    dialog.Add();
    LineAccountEditDialog* form = dialog.open_form();
    ASSERT_NE(form, nullptr);
    ExpectKeyboardAccess(form);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_F1);
    ASSERT_EQ(help.count(), 2);
    EXPECT_EQ(help[0][0].toString(), "line-settings.htm");
    EXPECT_EQ(help[1][0].toString(), "line-settings.htm");
    EXPECT_TRUE(fs::exists(fs::path(KIVO_SOURCE_SHARE_DIR) / "help" / "line-settings.htm"));
}

// The whole way in the program: Phone > Line Settings... sits under Modem
// Selection, and the Line Settings button of "Kivo Modem Selection" opens the
// dialog; an account added there is at once a line in the list. From the
// Phone menu, a change reaches the open line at once.
using LineSettingsInWindowTest = DemoLineWindowTest;

// In the modal "Kivo Line Settings": adds the account "Office" (no password)
// through the form, then closes the dialog (Close).
void AddOfficeInTheOpenLineSettings() {
    auto* dialog = qobject_cast<LineAccountsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->Add();
    LineAccountEditDialog* form = dialog->open_form();
    ASSERT_NE(form, nullptr);
    form->name_edit()->setText(QStringLiteral("Office"));
    form->user_edit()->setText(QStringLiteral("ann"));
    form->domain_edit()->setText(QStringLiteral("pbx.example.org"));
    ButtonNamed(form, "&Save")->click();
    dialog->reject();
}

TEST_F(LineSettingsInWindowTest, ModemSelectionOpensLineSettingsAndListsTheAddedAccount) {
    QAction* settings = window_->commands().action(Command::kLineSettings);
    EXPECT_TRUE(window_->commands().IsEnabled(Command::kLineSettings));
    QMenu* phone = nullptr;
    for (QAction* top : window_->menuBar()->actions()) {
        if (top->text() == "&Phone")
            phone = top->menu();
    }
    ASSERT_NE(phone, nullptr);
    const QList<QAction*> items = phone->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items[0], window_->commands().action(Command::kModemSelection));
    EXPECT_EQ(items[1], settings);

    QStringList listed_after;
    QTimer::singleShot(0, [&listed_after] {
        auto* selection = qobject_cast<LineSelectionDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(selection, nullptr);
        QTimer::singleShot(0, [] { AddOfficeInTheOpenLineSettings(); });
        selection->findChild<QPushButton*>("lineSettings")->click();
        for (int row = 0; row < selection->device_list()->topLevelItemCount(); ++row)
            listed_after << selection->device_list()->topLevelItem(row)->text(1);
        selection->reject();
    });
    ASSERT_TRUE(window_->commands().Trigger(Command::kModemSelection));
    EXPECT_EQ(listed_after, (QStringList{"Demo line", "Office"}));
    EXPECT_NE(test::ReadFileText(telephony::LineConfigurationPath()).find("[account Office]"),
              std::string::npos);
}

TEST_F(LineSettingsInWindowTest, AnAccountAddedFromThePhoneMenuReachesTheOpenLineAtOnce) {
    RestartWithTheDemoLineChosen();
    ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));
    ASSERT_TRUE(line_->line_open());
    EXPECT_EQ(line_->library().status().numDevices, 1u);

    QTimer::singleShot(0, [] { AddOfficeInTheOpenLineSettings(); });
    ASSERT_TRUE(window_->commands().Trigger(Command::kLineSettings));
    // Reopened: the library read the file again and the line is monitored.
    EXPECT_TRUE(line_->line_open());
    EXPECT_EQ(line_->library().status().numDevices, 2u);
    EXPECT_TRUE(window_->line_state_text().startsWith("Line monitoring active"));
    EXPECT_TRUE(reporter_.reports().empty());
}

}  // namespace
}  // namespace kivo::app
