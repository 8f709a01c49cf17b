// The Phone Recorder's routing in the main window: New Recording in the
// phone list, Redial, Take Call in the incoming-call window, dialling from
// the phone book, and Play over the phone line.
//
// PhoneRecorderDesk keeps the one Phone Recorder window of the main window
// (made when first needed, bound to the store open then) and passes it the
// line's messages. The main window's close asks it first, as File > Open and
// New do (CloseRecordDialogs).
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

#include "kivo/core/user_messages.h"
#include "kivo/recorder/take_recovery.h"
#include "phone_line.h"
#include "phone_recorder_dialog.h"

namespace kivo::app {

class MainWindow;

class PhoneRecorderDesk : public QObject, public CallTaker {
public:
    PhoneRecorderDesk(MainWindow* window, PhoneLine* line, core::MessageReporter& reporter);

    // The Phone Recorder, shown and raised; made when there is none. Null
    // when no store is open.
    PhoneRecorderDialog* Open();
    PhoneRecorderDialog* dialog() const { return dialog_; }

    // Redial: the selected phone record's number, with its caller's name.
    void Redial();
    // Play over the phone line: the selected record's recording.
    void PlaySelectedOverLine();

    // CallTaker
    void LineMessage(int message) override;
    void LineClosed() override;
    void TakeCall() override;
    void PlaceCall(const std::string& name, const std::string& number) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow* window_;
    PhoneLine* line_;
    core::MessageReporter& reporter_;
    QPointer<PhoneRecorderDialog> dialog_;
};

// Makes the window's desk on its phone line and routes its commands.
void RoutePhoneRecorderCommands(MainWindow* window, core::MessageReporter* reporter);

// Opens a call left by a crash in the window's Phone Recorder and calls
// release_take once the recorder holds it. False when the recorder is busy
// with a call of its own or the call could not be opened.
bool OpenRecoveredCall(MainWindow* window, const recorder::RecoveredTake& take,
                       const std::function<void()>& release_take);
// New Recording: in the phone list it opens the Phone Recorder. False in
// other lists.
bool RunPhoneRecorderOfView(MainWindow* window);

}  // namespace kivo::app
