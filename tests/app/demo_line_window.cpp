// The shared set-up of the window tests on the demo line (see demo_line_window.h).
#include "demo_line_window.h"

#include <stdlib.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "demo_line_party.h"
#include "file_bytes.h"

namespace kivo::app {

void DemoLineWindowTest::SetUp() {
    std::filesystem::create_directories(configuration_path().parent_path());
    test::WriteFileText(configuration_path().string(), "[demo]\nring_period_ms = 100\n");
    socket_ = (home_.home() / "line.sock").string();
    if (const char* config_home = std::getenv("XDG_CONFIG_HOME"))
        saved_config_home_ = config_home;
    ::setenv("XDG_CONFIG_HOME", (home_.home() / "config").c_str(), 1);
    ::setenv("KIVO_LINE_SOCKET", socket_.c_str(), 1);
    StartWindow();
}

void DemoLineWindowTest::TearDown() {
    window_.reset();
    if (saved_config_home_)
        ::setenv("XDG_CONFIG_HOME", saved_config_home_->c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("KIVO_LINE_SOCKET");
}

void DemoLineWindowTest::StartWindow() {
    line_ = nullptr;
    window_.reset();
    window_ =
        std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
    ASSERT_TRUE(window_->Start());
    QCoreApplication::processEvents();  // the line takes up the start
    line_ = dynamic_cast<PhoneLine*>(window_->findChild<QObject*>("phoneLine"));
    ASSERT_NE(line_, nullptr);
    WindowStarted();
}

void DemoLineWindowTest::RestartWithTheDemoLineChosen() {
    window_->session().profile().Write(window_->session().section(), "CommID", "0");
    StartWindow();
}

std::string DemoLineWindowTest::Party(const std::string& command) {
    return test::SendToLineWhileRunning(socket_, command);
}

void DemoLineWindowTest::WithLineSelection(
    const std::function<void(LineSelectionDialog*)>& in_selection) {
    QTimer::singleShot(0, [in_selection] {
        auto* dialog = qobject_cast<LineSelectionDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        in_selection(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    ASSERT_TRUE(window_->commands().Trigger(Command::kModemSelection));
}

void DemoLineWindowTest::ChooseDemoLine() {
    WithLineSelection([](LineSelectionDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Kivo Modem Selection");
        ASSERT_GE(dialog->device_list()->topLevelItemCount(), 1);
        EXPECT_EQ(dialog->device_list()->topLevelItem(0)->text(1), "Demo line");
        dialog->device_list()->setCurrentItem(dialog->device_list()->topLevelItem(0));
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == "&Select")
                button->click();
        }
    });
}

std::filesystem::path DemoLineWindowTest::configuration_path() const {
    return home_.home() / "config" / "kivo" / "telephony.conf";
}

}  // namespace kivo::app
