// DesktopNotifier: notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), so that the user sees
// them when Kivo is minimised or on another workspace. A notification may
// offer actions (a key and a label); the service's ActionInvoked signal for
// one of ours comes back as actionInvoked. Without a service nothing is
// shown and Notify returns 0. Notify waits for the service (at most two
// seconds) with the event loop running.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kivo::dbus {

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kNotificationsInterface = "org.freedesktop.Notifications";

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // bus: where the service is found (the session bus in the program).
    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    // Shows a notification; actions are pairs of key and label ("play",
    // "Play"). The service's id of the notification, or 0 when it could not
    // be shown.
    uint Notify(const QString& summary, const QString& body, const QStringList& actions);
    // Takes a notification of ours off the screen.
    void Close(uint id);

signals:
    void actionInvoked(uint id, const QString& action_key);

private slots:
    void OnActionInvoked(uint id, const QString& action_key);

private:
    QDBusConnection bus_;
    QList<uint> ours_;
};

}  // namespace kivo::dbus
