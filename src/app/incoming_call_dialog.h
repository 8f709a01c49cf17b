// IncomingCallDialog: "Kivo Incoming Call", shown while a call rings and the
// answering machine is off. It names the caller (number and name, when the
// line sends them) and lets the user hand this one call to the answering
// machine, take it in the Phone Recorder, or leave it ringing. It does not block the window; it
// closes when the call ends.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kivo::app {

class IncomingCallDialog : public QDialog {
    Q_OBJECT

public:
    explicit IncomingCallDialog(QWidget* parent = nullptr);

    // Shows the caller's identity; empty texts read "Withheld" and "Unknown".
    void ShowCaller(const QString& number, const QString& name);
    QString number_text() const;
    QString name_text() const;
    QPushButton* machine_button() const { return machine_; }
    QPushButton* take_button() const { return take_; }

signals:
    // The user lets the answering machine take this call.
    void machineChosen();
    // The user takes this call in the Phone Recorder.
    void callTaken();

private:
    QLabel* number_ = nullptr;
    QLabel* name_ = nullptr;
    QPushButton* machine_ = nullptr;
    QPushButton* take_ = nullptr;
};

}  // namespace kivo::app
