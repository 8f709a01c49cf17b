// The window's telephone line on the demo line, as a user meets it: the
// first start says how to set up a line, the demo line is chosen in "Kivo
// Modem Selection", the answering machine is switched on, and a caller rings
// through the line's control socket (as kivo-line does), speaks and hangs
// up; the phone list then shows the new message.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>

#include "app_fixture.h"
#include "demo_line_window.h"
#include "file_bytes.h"
#include "incoming_call_dialog.h"
#include "kivo/core/record_list.h"
#include "kivo/core/user_messages.h"
#include "kivo/phone/phone_book.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "line_selection_dialog.h"
#include "main_window.h"
#include "phone_line.h"
#include "record_kind_list.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;
using core::ViewKind;

using PhoneLineTest = DemoLineWindowTest;

TEST_F(PhoneLineTest, AFirstStartWithoutALineSaysOnceHowToSetOneUp) {
    // Not in the way of the first start: the advice waits for the phone list.
    EXPECT_EQ(window_->findChild<QMessageBox*>("noLineAdvice"), nullptr);
    window_->ShowKind(ViewKind::kPhone);
    auto* advice = window_->findChild<QMessageBox*>("noLineAdvice");
    ASSERT_NE(advice, nullptr);
    EXPECT_FALSE(advice->isModal());
    EXPECT_TRUE(advice->text().contains("Phone > Line Settings..."));
    EXPECT_TRUE(advice->text().contains("Demo line"));
    EXPECT_FALSE(window_->commands().IsEnabled(Command::kStartMonitoring));
    EXPECT_FALSE(window_->commands().IsEnabled(Command::kAnswerMachineOn));
    EXPECT_TRUE(window_->commands().IsEnabled(Command::kModemSelection));
    EXPECT_TRUE(reporter_.reports().empty());

    // The next start does not say it again.
    window_.reset();
    MainWindow again(home_.resources(), home_.places(), &reporter_, &chooser_);
    ASSERT_TRUE(again.Start());
    QCoreApplication::processEvents();
    again.ShowKind(ViewKind::kPhone);
    EXPECT_EQ(again.findChild<QMessageBox*>("noLineAdvice"), nullptr);
}

TEST_F(PhoneLineTest, TheChosenLineIsRememberedAndMonitoredWithTheMachineOn) {
    ChooseDemoLine();
    EXPECT_EQ(window_->session().profile().Read(window_->session().section(), "CommID"), "0");
    EXPECT_EQ(window_->session().profile().Read(window_->session().section(), "CommLine"),
              "Demo line");
    EXPECT_TRUE(window_->commands().IsEnabled(Command::kStartMonitoring));
    EXPECT_TRUE(window_->commands().action(Command::kAnswerMachineOff)->isChecked());

    ASSERT_TRUE(window_->commands().Trigger(Command::kAnswerMachineOn));
    EXPECT_TRUE(line_->line_open());
    EXPECT_TRUE(line_->answer_machine_on());
    EXPECT_TRUE(
        window_->line_state_text().startsWith("Line monitoring active : Using Kivo File : "));
    EXPECT_TRUE(window_->commands().action(Command::kAnswerMachineOn)->isChecked());
    EXPECT_FALSE(window_->commands().IsEnabled(Command::kStartMonitoring));
    EXPECT_TRUE(window_->commands().IsEnabled(Command::kStopMonitoring));
    EXPECT_EQ(window_->kind_list()->phone_icon(), PhoneIcon::kAnswering);
    EXPECT_EQ(window_->session().profile().Read(window_->session().section(), "AutoMessage"), "1");

    ASSERT_TRUE(window_->commands().Trigger(Command::kStopMonitoring));
    EXPECT_FALSE(line_->line_open());
    EXPECT_TRUE(window_->line_state_text().startsWith("Line monitoring inactive"));
    EXPECT_EQ(window_->kind_list()->phone_icon(), PhoneIcon::kMonitoringOff);
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(PhoneLineTest, ACallerOnTheDemoLineLeavesANewMessageInThePhoneList) {
    window_->session().profile().Write(window_->session().section(), "Rings", "2");
    ChooseDemoLine();
    ASSERT_TRUE(window_->commands().Trigger(Command::kAnswerMachineOn));
    ASSERT_TRUE(line_->line_open());

    const std::string speech_path = (home_.home() / "speech.wav").string();
    std::vector<std::uint8_t> speech;
    for (int i = 0; i < 8000; ++i) {  // one second
        const auto value = static_cast<std::uint16_t>(i * 13 + 5);
        speech.push_back(static_cast<std::uint8_t>(value & 0xFF));
        speech.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    ASSERT_TRUE(wavefile::WritePcmWave(speech_path, telephony::CallAudioFormat(), speech).ok());

    EXPECT_EQ(Party("ring 01632960123 Ann Smith").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return line_->machine().busy(); }, 3000));
    EXPECT_EQ(Party("speak " + speech_path).rfind("ok", 0), 0u);
    // The greeting (the store's, 3.6 s), the tone, then the second of speech.
    QTest::qWait(7000);
    EXPECT_EQ(Party("status").rfind("ok connected", 0), 0u);
    EXPECT_EQ(Party("hangup").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return line_->machine().messages_stored() == 1; }, 5000));
    EXPECT_TRUE(reporter_.reports().empty());

    EXPECT_EQ(window_->kind_list()->phone_icon(), PhoneIcon::kAnsweringWithNewMessages);
    EXPECT_TRUE(window_->windowTitle().startsWith("Kivo for user : "));
    EXPECT_TRUE(window_->windowTitle().endsWith(" - 1 new message"));
    window_->ShowKind(ViewKind::kPhone);
    EXPECT_EQ(window_->search_status_text(),
              "Total phone calls found = 1 : You have 1 new messages.");
    const auto& row = window_->records().list().rows().at(0);
    EXPECT_EQ(row.image, core::kImageNewMessage);
    EXPECT_EQ(row.columns[1], "01632960123");
    EXPECT_EQ(row.columns[2], "Ann Smith");
    EXPECT_EQ(window_->kind_list()->phone_icon(), PhoneIcon::kAnsweringWithNewMessages);
}

TEST_F(PhoneLineTest, SelectedCallersAreAddedToThePhoneBook) {
    test::RecordFields ann;
    ann.number = 1;
    ann.kind = "2";
    ann.text_a = "Ann\xACSmith";  // as stored
    ann.subject = "01632960123";
    test::RecordFields bob = ann;
    bob.number = 2;
    bob.text_a = "Bob";
    bob.subject = "5550102";
    const fs::path working = window_->session().store().working_folder();
    test::WriteWorkingLog(working, "Voxwren.xrp", {ann, bob});
    window_->ShowKind(ViewKind::kPhone);
    window_->record_view()->selectAll();
    ASSERT_TRUE(window_->commands().Trigger(Command::kAddToPhoneBook));
    const auto entries = phone::PhoneBook(working / "Voxwren.xrb").List();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Ann Smith");
    EXPECT_EQ(entries[0].number, "01632960123");
    EXPECT_EQ(entries[1].name, "Bob");
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(PhoneLineTest, WithTheMachineOffTheUserCanLetItTakeOneCall) {
    window_->session().profile().Write(window_->session().section(), "Rings", "2");
    ChooseDemoLine();
    ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));
    ASSERT_TRUE(line_->line_open());
    ASSERT_FALSE(line_->answer_machine_on());

    EXPECT_EQ(Party("ring 01632960124 <b>Bob</b>").rfind("ok", 0), 0u);
    IncomingCallDialog* incoming = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            incoming = window_->findChild<IncomingCallDialog*>("incomingCall");
            return incoming != nullptr && incoming->isVisible();
        },
        3000));
    EXPECT_EQ(incoming->number_text(), "01632960124");
    EXPECT_EQ(incoming->name_text(), "<b>Bob</b>");  // shown as typed, not as markup
    // Unanswered, the call rings on.
    QTest::qWait(500);
    EXPECT_FALSE(line_->machine().busy());

    incoming->machine_button()->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return line_->machine().busy(); }, 3000));
    QTest::qWait(500);
    EXPECT_EQ(Party("hangup").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return line_->machine().messages_stored() == 1; }, 5000));
    // The machine took that call only.
    EXPECT_FALSE(line_->machine().on());
    EXPECT_FALSE(window_->commands().action(Command::kAnswerMachineOn)->isChecked());
    EXPECT_EQ(window_->kind_list()->phone_icon(), PhoneIcon::kMonitoringWithNewMessages);
    EXPECT_TRUE(reporter_.reports().empty());
}

// Phone > Line Settings... changed an account while the line is open: an idle
// line is reopened at once (it reads the file again and registers anew); a
// call in progress is never cut, the user is told the change waits, and the
// line reopens when the call is over.
TEST_F(PhoneLineTest, ChangedLineSettingsReopenAnIdleLineAtOnceAndABusyOneAfterTheCall) {
    const std::string with_account =
        "[demo]\nring_period_ms = 100\n\n[account Office]\nuser = ann\n"
        "domain = pbx.example.org\n";
    window_->session().profile().Write(window_->session().section(), "Rings", "5");
    ChooseDemoLine();
    ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));
    ASSERT_TRUE(line_->line_open());
    ASSERT_EQ(line_->library().status().numDevices, 1u);

    // Closed, nothing happens; the next opening reads the file anyway.
    ASSERT_TRUE(window_->commands().Trigger(Command::kStopMonitoring));
    line_->ApplyLineSettings();
    EXPECT_FALSE(line_->line_open());
    EXPECT_FALSE(line_->line_settings_waiting());
    ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));

    // Idle: reopened at once.
    test::WriteFileText(configuration_path().string(), with_account);
    line_->ApplyLineSettings();
    EXPECT_TRUE(line_->line_open());
    EXPECT_EQ(line_->library().status().numDevices, 2u);
    EXPECT_TRUE(reporter_.reports().empty());

    // A call rings: the change waits for it, and the user is told so.
    test::WriteFileText(configuration_path().string(), "[demo]\nring_period_ms = 100\n");
    EXPECT_EQ(Party("ring 01632960124 Bob").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return line_->call_in_progress(); }, 3000));
    line_->ApplyLineSettings();
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].text, kLineSettingsAfterCallText);
    EXPECT_TRUE(line_->line_settings_waiting());
    EXPECT_TRUE(line_->line_open());
    EXPECT_EQ(line_->library().status().numDevices, 2u);

    EXPECT_EQ(Party("hangup").rfind("ok", 0), 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !line_->line_settings_waiting(); }, 5000));
    EXPECT_TRUE(line_->line_open());
    EXPECT_EQ(line_->library().status().numDevices, 1u);
    EXPECT_TRUE(window_->line_state_text().startsWith("Line monitoring active"));
    EXPECT_EQ(reporter_.reports().size(), 1u);
}

// The accounts behind the lines, as Line Settings writes them: the demo line
// is device 0, the accounts follow in file order.
std::string WithAccounts(const std::vector<std::string>& names) {
    std::string text = "[demo]\nring_period_ms = 100\n";
    for (const std::string& name : names)
        text += "\n[account " + name + "]\nuser = ann\ndomain = pbx.invalid\n";
    return text;
}

class ChosenLineTest : public DemoLineWindowTest {
protected:
    std::string Profile(const char* key) {
        return window_->session().profile().Read(window_->session().section(), key);
    }
    void ChooseLineNamed(const QString& name) {
        WithLineSelection([name](LineSelectionDialog* dialog) {
            const auto found = dialog->device_list()->findItems(name, Qt::MatchExactly, 1);
            ASSERT_EQ(found.size(), 1);
            dialog->device_list()->setCurrentItem(found.front());
            for (auto* button : dialog->findChildren<QPushButton*>()) {
                if (button->text() == "&Select")
                    button->click();
            }
        });
    }
    static QString CurrentLineIn(LineSelectionDialog* dialog) {
        QTreeWidgetItem* current = dialog->device_list()->currentItem();
        return current == nullptr ? QString() : current->text(1);
    }
};

TEST_F(ChosenLineTest, RemovingAnAccountBeforeTheChosenOneKeepsTheChoiceOnItsAccount) {
    test::WriteFileText(configuration_path().string(), WithAccounts({"Office", "Home", "Shop"}));
    ChooseLineNamed("Home");
    ASSERT_EQ(Profile("CommID"), "2");
    ASSERT_EQ(Profile("CommLine"), "Home");

    // Office goes: Home is device 1 now, Shop device 2.
    test::WriteFileText(configuration_path().string(), WithAccounts({"Home", "Shop"}));
    StartWindow();
    EXPECT_EQ(line_->device(), std::optional<std::uint32_t>(1));
    EXPECT_EQ(Profile("CommID"), "1");  // still the device number, as the profile holds it
    EXPECT_EQ(Profile("CommLine"), "Home");
    EXPECT_TRUE(window_->commands().IsEnabled(Command::kStartMonitoring));
    EXPECT_TRUE(reporter_.reports().empty());
    QString preselected;
    WithLineSelection([&](LineSelectionDialog* dialog) { preselected = CurrentLineIn(dialog); });
    EXPECT_EQ(preselected, "Home");
}

TEST_F(ChosenLineTest, TheChosenAccountRemovedIsNotReplacedByTheNextOneTheUserIsAskedInstead) {
    test::WriteFileText(configuration_path().string(), WithAccounts({"Office", "Home"}));
    ChooseLineNamed("Office");
    ASSERT_EQ(Profile("CommID"), "1");

    // Office goes: Home now has its number, 1.
    test::WriteFileText(configuration_path().string(), WithAccounts({"Home"}));
    StartWindow();
    EXPECT_FALSE(line_->device().has_value());
    EXPECT_FALSE(line_->line_open());
    EXPECT_FALSE(window_->commands().IsEnabled(Command::kStartMonitoring));
    EXPECT_FALSE(window_->commands().IsEnabled(Command::kAnswerMachineOn));
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_NE(reporter_.reports()[0].text.find("\"Office\""), std::string::npos)
        << reporter_.reports()[0].text;
    // Asked to choose, with no line chosen for them.
    auto* selection = window_->findChild<LineSelectionDialog*>();
    ASSERT_NE(selection, nullptr);
    EXPECT_TRUE(selection->isVisible());
    EXPECT_TRUE(selection->device_list()->selectedItems().isEmpty());
    for (auto* button : selection->findChildren<QPushButton*>()) {
        if (button->text() == "&Select")
            button->click();  // nothing chosen yet: nothing is taken
    }
    EXPECT_TRUE(selection->isVisible());
    EXPECT_FALSE(line_->device().has_value());
    // The profile keeps the choice until the user makes another.
    EXPECT_EQ(Profile("CommID"), "1");
    EXPECT_EQ(Profile("CommLine"), "Office");

    const auto home = selection->device_list()->findItems("Home", Qt::MatchExactly, 1);
    ASSERT_EQ(home.size(), 1);
    selection->device_list()->setCurrentItem(home.front());
    for (auto* button : selection->findChildren<QPushButton*>()) {
        if (button->text() == "&Select")
            button->click();
    }
    EXPECT_EQ(line_->device(), std::optional<std::uint32_t>(1));
    EXPECT_EQ(Profile("CommLine"), "Home");
    EXPECT_TRUE(window_->commands().IsEnabled(Command::kStartMonitoring));
}

TEST_F(ChosenLineTest, StartMonitoringAfterTheChosenAccountWasRemovedOpensNoOtherLine) {
    test::WriteFileText(configuration_path().string(), WithAccounts({"Office", "Home"}));
    ChooseLineNamed("Office");
    ASSERT_EQ(line_->device(), std::optional<std::uint32_t>(1));

    // Removed while the program runs (another Kivo's Line Settings, an editor).
    test::WriteFileText(configuration_path().string(), WithAccounts({"Home"}));
    ASSERT_TRUE(window_->commands().Trigger(Command::kStartMonitoring));
    EXPECT_FALSE(line_->line_open());
    EXPECT_EQ(line_->library().open_line(), nullptr);
    EXPECT_FALSE(line_->device().has_value());
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_NE(reporter_.reports()[0].text.find("\"Office\""), std::string::npos);
    EXPECT_NE(window_->findChild<LineSelectionDialog*>(), nullptr);
}

TEST_F(ChosenLineTest, AProfileFromBeforeTheNameWasKeptUsesTheNumberAndLearnsTheName) {
    test::WriteFileText(configuration_path().string(), WithAccounts({"Office"}));
    window_->session().profile().Write(window_->session().section(), "CommID", "1");
    StartWindow();
    EXPECT_EQ(line_->device(), std::optional<std::uint32_t>(1));
    EXPECT_EQ(Profile("CommLine"), "Office");
    EXPECT_TRUE(reporter_.reports().empty());
}

}  // namespace
}  // namespace kivo::app
