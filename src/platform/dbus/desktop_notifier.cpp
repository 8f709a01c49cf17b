// Desktop notifications over D-Bus (see desktop_notifier.h).
#include "kivo/dbus/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace kivo::dbus {
namespace {

constexpr int kCallTimeout_ms = 2000;

QDBusMessage NotificationsCall(const char* method) {
    return QDBusMessage::createMethodCall(
        QLatin1String(kNotificationsService), QLatin1String(kNotificationsPath),
        QLatin1String(kNotificationsInterface), QLatin1String(method));
}

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    bus_.connect(QLatin1String(kNotificationsService), QLatin1String(kNotificationsPath),
                 QLatin1String(kNotificationsInterface), QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
}

uint DesktopNotifier::Notify(const QString& summary, const QString& body,
                             const QStringList& actions) {
    if (!bus_.isConnected())
        return 0;
    QDBusMessage call = NotificationsCall("Notify");
    call << QStringLiteral("Kivo") << uint{0} << QStringLiteral("kivo") << summary << body
         << actions << QVariantMap{} << int{-1};
    const QDBusReply<uint> reply = bus_.call(call, QDBus::BlockWithGui, kCallTimeout_ms);
    if (!reply.isValid())
        return 0;
    ours_.append(reply.value());
    return reply.value();
}

void DesktopNotifier::Close(uint id) {
    if (!ours_.removeOne(id) || !bus_.isConnected())
        return;
    QDBusMessage call = NotificationsCall("CloseNotification");
    call << id;
    bus_.call(call, QDBus::NoBlock);
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action_key) {
    if (ours_.contains(id))
        emit actionInvoked(id, action_key);
}

}  // namespace kivo::dbus
