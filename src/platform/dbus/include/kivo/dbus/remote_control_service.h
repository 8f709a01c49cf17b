// Exports a playback window on the session bus: MPRIS2 for media keys and
// playerctl (org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at
// /org/mpris/MediaPlayer2) and the Kivo command interface org.kivo.Remote with
// Command(i) for programs that send the six playback commands.
//
// A program creates one service at start-up and hands it the open playback
// window with setTarget(); without a target the calls do nothing and the
// player reports "Stopped" with no track, as the main window ignores commands
// while no playback window is open.
//
//   RemoteControlService remote({"kivo", "Kivo", "kivo"});
//   remote.start();
//   remote.setTarget(&playback_dialog, &playback_dialog);
//   connect(&engine, &Engine::stateChanged,
//           &remote, &RemoteControlService::notifyPlaybackStatusChanged);
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "kivo/remote/playback_remote_target.h"

namespace kivo::dbus {

class MprisRootAdaptor;
class MprisPlayerAdaptor;
class KivoRemoteAdaptor;

struct RemoteServiceSettings {
    QString player_name;    // last part of the bus name: "kivo" or "kvmp"
    QString identity;       // shown by MPRIS clients: "Kivo", "Kivo Message Player"
    QString desktop_entry;  // .desktop file name without ".desktop"
};

class RemoteControlService : public QObject {
    Q_OBJECT

public:
    explicit RemoteControlService(RemoteServiceSettings settings, QObject* parent = nullptr);
    ~RemoteControlService() override;

    // Connects to the session bus, exports the object and claims the bus name.
    // When another process holds the name, claims name + ".instance<pid>", as
    // MPRIS allows for a second instance. Returns false with a reason in
    // *error when there is no session bus or no name can be had.
    bool start(QString* error = nullptr);
    // Gives up the name and leaves the bus; start() may be called again.
    void stop();
    bool isRunning() const { return running_; }
    // The bus name held, empty while not running.
    QString serviceName() const { return service_name_; }
    const RemoteServiceSettings& settings() const { return settings_; }

    // The window that receives the calls, or nullptr. When lifetime_guard is
    // given (normally the window itself), the target is dropped automatically
    // when that object is destroyed. Clients are told every property changed.
    void setTarget(remote::PlaybackRemoteTarget* target, QObject* lifetime_guard = nullptr);
    remote::PlaybackRemoteTarget* target() const;

public slots:
    // The target reports its changes so that clients need not poll.
    void notifyPlaybackStatusChanged();
    void notifyMetadataChanged();
    void notifyCapabilitiesChanged();
    // The position jumped (seek, mark, rewind): MPRIS clients resynchronise.
    // The target reports every jump, whatever asked for it.
    void notifySeeked(qint64 position_us);

private:
    void emitPlayerPropertiesChanged(const QStringList& names);

    RemoteServiceSettings settings_;
    QString connection_name_;
    QDBusConnection connection_;
    QString service_name_;
    bool running_ = false;

    remote::PlaybackRemoteTarget* target_ = nullptr;
    QPointer<QObject> target_guard_;
    bool target_guarded_ = false;

    MprisRootAdaptor* root_adaptor_ = nullptr;
    MprisPlayerAdaptor* player_adaptor_ = nullptr;
    KivoRemoteAdaptor* command_adaptor_ = nullptr;
};

}  // namespace kivo::dbus
