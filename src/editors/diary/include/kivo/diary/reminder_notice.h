// ReminderNotice: the desktop notification that goes with a reminder window,
// so a reminder is seen when Kivo is minimised or on another workspace:
// "Kivo Diary Reminder" with the entry's subject and the action "Play",
// which plays the entry in its window again and brings the window up. The
// notification is taken away when the notice ends (the window closed).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "kivo/diary/reminder_window.h"

namespace kivo::dbus {
class DesktopNotifier;
}

namespace kivo::diary {

inline constexpr const char* kPlayActionKey = "play";

class ReminderNotice : public QObject {
    Q_OBJECT
public:
    ReminderNotice(dbus::DesktopNotifier& notifier, ReminderWindow& window, const QString& subject,
                   QObject* parent = nullptr);
    ~ReminderNotice() override;

    // The service's id of the notification; 0 when none could be shown.
    uint id() const { return id_; }

private:
    dbus::DesktopNotifier& notifier_;
    QPointer<ReminderWindow> window_;
    uint id_ = 0;
};

}  // namespace kivo::diary
