// The shared set-up of the window tests on the demo line: a private Kivo
// home whose telephony.conf offers the demo line ringing every 100 ms,
// XDG_CONFIG_HOME and KIVO_LINE_SOCKET pointed into it (and put back after
// the test), the started main window with its phone line, the other party on
// the line's control socket, and "Kivo Modem Selection" run by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app_fixture.h"
#include "kivo/core/user_messages.h"
#include "line_selection_dialog.h"
#include "main_window.h"
#include "phone_line.h"

namespace kivo::app {

class DemoLineWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the window (again) on the home; line_ is its phone line.
    void StartWindow();
    // Called by StartWindow once the window runs, for a test's own look-ups.
    virtual void WindowStarted() {}
    // Restarts the window with the demo line chosen before ("CommID" 0).
    void RestartWithTheDemoLineChosen();

    // The other party's command, sent while the window's event loop runs.
    std::string Party(const std::string& command);
    // Runs `in_selection` while "Kivo Modem Selection" is open, then closes it.
    void WithLineSelection(const std::function<void(LineSelectionDialog*)>& in_selection);
    // Chooses the demo line, the list's first row, in Modem Selection.
    void ChooseDemoLine();

    // The line configuration file the window reads.
    std::filesystem::path configuration_path() const;

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
    PhoneLine* line_ = nullptr;
    std::string socket_;

private:
    std::optional<std::string> saved_config_home_;
};

}  // namespace kivo::app
