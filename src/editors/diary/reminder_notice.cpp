// The desktop notification of a due diary entry (see reminder_notice.h).
#include "kivo/diary/reminder_notice.h"

#include "kivo/dbus/desktop_notifier.h"

namespace kivo::diary {

ReminderNotice::ReminderNotice(dbus::DesktopNotifier& notifier, ReminderWindow& window,
                               const QString& subject, QObject* parent)
    : QObject(parent), notifier_(notifier), window_(&window) {
    id_ = notifier_.Notify(QStringLiteral("Kivo Diary Reminder"),
                           subject.isEmpty() ? QStringLiteral("A diary entry is due") : subject,
                           {QLatin1String(kPlayActionKey), QStringLiteral("Play")});
    connect(&notifier_, &dbus::DesktopNotifier::actionInvoked, this,
            [this](uint id, const QString& key) {
                if (id != id_ || key != QLatin1String(kPlayActionKey) || window_ == nullptr)
                    return;
                window_->Replay();
                window_->raise();
                window_->activateWindow();
            });
}

ReminderNotice::~ReminderNotice() {
    if (id_ != 0)
        notifier_.Close(id_);
}

}  // namespace kivo::diary
