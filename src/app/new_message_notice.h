// NewMessageNotice: tells the user of a message the answering machine has
// just stored, outside the main window: by default a desktop notification
// (org.freedesktop.Notifications) naming the caller and the time, with an
// action that plays the message. Tests put their own notice in its place.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace kivo::dbus {
class DesktopNotifier;
}

namespace kivo::app {

struct NewMessage {
    QString caller;  // name and number as known; "Unknown caller" when withheld
    QString time;    // when the call came, as the record shows it
    std::int32_t record_number = 0;
};

inline constexpr const char* kNewMessageSummary = "Kivo: new phone message";
inline constexpr const char* kPlayActionKey = "play";

// "Ann Smith (01632960123)", "01632960123", "Ann Smith" or "Unknown caller".
QString CallerText(const std::string& name, const std::string& number);

class NewMessageNotice {
public:
    virtual ~NewMessageNotice() = default;
    virtual void Show(const NewMessage& message) = 0;
};

// The desktop's notification, whose Play action calls `play` with the
// message's record number.
class DesktopMessageNotice : public QObject, public NewMessageNotice {
public:
    DesktopMessageNotice(dbus::DesktopNotifier* notifier,
                         std::function<void(std::int32_t record_number)> play,
                         QObject* parent = nullptr);
    void Show(const NewMessage& message) override;

private:
    dbus::DesktopNotifier* notifier_;
    std::function<void(std::int32_t)> play_;
    QHash<uint, std::int32_t> shown_;  // notification id -> record number
};

}  // namespace kivo::app
