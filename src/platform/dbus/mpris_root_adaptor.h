// org.mpris.MediaPlayer2: who the player is. Kivo neither quits nor raises on
// request, has no track list and opens no URIs.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace kivo::dbus {

class RemoteControlService;

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    explicit MprisRootAdaptor(RemoteControlService* service);

    bool canQuit() const { return false; }
    bool canRaise() const { return false; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public slots:
    // Required by the interface; both do nothing (CanRaise and CanQuit are false).
    void Raise() {}
    void Quit() {}

private:
    RemoteControlService* service_;
};

}  // namespace kivo::dbus
