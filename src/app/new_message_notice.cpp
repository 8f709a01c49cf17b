// Notices of new phone messages (see new_message_notice.h).
#include "new_message_notice.h"

#include <QHash>

#include "kivo/dbus/desktop_notifier.h"

namespace kivo::app {

QString CallerText(const std::string& name, const std::string& number) {
    const QString caller_name = QString::fromStdString(name);
    const QString caller_number = QString::fromStdString(number);
    if (!caller_name.isEmpty() && !caller_number.isEmpty())
        return caller_name + QStringLiteral(" (") + caller_number + QLatin1Char(')');
    if (!caller_name.isEmpty())
        return caller_name;
    if (!caller_number.isEmpty())
        return caller_number;
    return QStringLiteral("Unknown caller");
}

DesktopMessageNotice::DesktopMessageNotice(dbus::DesktopNotifier* notifier,
                                           std::function<void(std::int32_t)> play, QObject* parent)
    : QObject(parent), notifier_(notifier), play_(std::move(play)) {
    connect(notifier_, &dbus::DesktopNotifier::actionInvoked, this,
            [this](uint id, const QString& key) {
                if (key == QLatin1String(kPlayActionKey) && shown_.contains(id))
                    play_(shown_.value(id));
            });
}

void DesktopMessageNotice::Show(const NewMessage& message) {
    const QString body = QStringLiteral("From %1 at %2").arg(message.caller, message.time);
    const uint id =
        notifier_->Notify(QString::fromLatin1(kNewMessageSummary), body,
                          {QString::fromLatin1(kPlayActionKey), QStringLiteral("Play")});
    if (id != 0)
        shown_.insert(id, message.record_number);
}

}  // namespace kivo::app
