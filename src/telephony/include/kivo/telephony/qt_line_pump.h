// The Qt side of the telephony library: notifications as posted Qt events
// whose type is the message number (ZN2TAPI_MSG_*), and a timer that lets
// the open line work every 20 ms on the host's thread.
#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>

#include "kivo/telephony/tapi_library.h"

namespace kivo::telephony {

// Posts each message as a QEvent of type `message` to the QObject given as
// the notification window; the event arrives through the host's event loop.
class QtEventNotifier : public Notifier {
public:
    void Post(void* window, int message) override;
};

// Calls TapiLibrary::Iterate every 20 ms while it runs.
class QtLinePump : public QObject {
public:
    explicit QtLinePump(TapiLibrary& library, QObject* parent = nullptr);
    void Start() { timer_.start(); }
    void Stop() { timer_.stop(); }

private:
    QTimer timer_;
};

}  // namespace kivo::telephony
