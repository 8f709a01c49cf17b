// org.kivo.Remote: Command(i) carries one of the six playback commands that
// other programs used to send as the window message "Zn2 Message from Word".
#pragma once

#include <QDBusAbstractAdaptor>

namespace kivo::dbus {

class RemoteControlService;

class KivoRemoteAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kivo.Remote")

public:
    explicit KivoRemoteAdaptor(RemoteControlService* service);

public slots:
    // Passes the code to the playback window; nothing happens without one.
    void Command(int code);

private:
    RemoteControlService* service_;
};

}  // namespace kivo::dbus
