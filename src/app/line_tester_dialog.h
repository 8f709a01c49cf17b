// LineTesterDialog: "Kivo Modem Tester", opened with Test in the line
// selection. The user enters a number to call and presses Start; the log
// shows each step of the line test (LineTester) as it happens, the status
// line what runs. Stop ends a running test, Cancel also closes the dialog.
// The library's messages come to this dialog while the test runs; a timer
// lets the open line work and plays the wait loop's part.
#pragma once

#include <QDialog>
#include <QTimer>

#include <filesystem>
#include <memory>

#include "kivo/phone/line_choice.h"
#include "kivo/phone/line_tester.h"
#include "kivo/telephony/tapi_library.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kivo::app {

class LineTesterDialog : public QDialog, private phone::LineTesterHost {
    Q_OBJECT

public:
    // scratch_folder: where the test's recording goes; greeting: the wave
    // played into the call.
    LineTesterDialog(telephony::TapiLibrary& library, phone::LineDevice device,
                     std::filesystem::path scratch_folder, std::filesystem::path greeting,
                     QWidget* parent = nullptr);
    ~LineTesterDialog() override;

    QLineEdit* number_edit() const { return number_; }
    QPushButton* start_button() const { return start_; }
    QPushButton* stop_button() const { return stop_; }
    QPlainTextEdit* log_view() const { return log_; }
    QString status_text() const;
    phone::LineTester& tester() { return *tester_; }

protected:
    bool event(QEvent* event) override;
    void reject() override;

private:
    void StartTest();
    void StopTest();
    void TickWaitLoop();
    void UpdateButtons();
    void AppendLog(std::string_view line) override;
    void NoDialTone() override;

    telephony::TapiLibrary& library_;
    phone::LineDevice device_;
    std::unique_ptr<phone::LineTester> tester_;
    QLineEdit* number_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer pump_;
};

}  // namespace kivo::app
