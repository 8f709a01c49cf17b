// Exports a playback window on the session bus. Each service has a private
// bus connection, so that stop() releases its name at once and two players in
// one process (the tests) don't share an object tree.
#include "kivo/dbus/remote_control_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QRegularExpression>
#include <QStringList>
#include <QVariantMap>
#include <atomic>

#include "kivo/dbus/remote_bus_names.h"
#include "kivo_remote_adaptor.h"
#include "mpris_player_adaptor.h"
#include "mpris_root_adaptor.h"

namespace kivo::dbus {
namespace {

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr char kPropertiesChangedSignal[] = "PropertiesChanged";

// A bus name element: letters, digits, '_' and '-', not starting with a digit.
bool IsValidPlayerName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_-][A-Za-z0-9_-]*$"));
    return pattern.match(name).hasMatch();
}

QString NextConnectionName(const QString& player_name) {
    static std::atomic<int> counter{0};
    return QStringLiteral("kivo-remote-%1-%2").arg(player_name).arg(++counter);
}

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

const QStringList& AllPlayerProperties() {
    static const QStringList names = {
        QStringLiteral("PlaybackStatus"), QStringLiteral("Metadata"), QStringLiteral("CanGoNext"),
        QStringLiteral("CanGoPrevious"),  QStringLiteral("CanPlay"),  QStringLiteral("CanPause"),
        QStringLiteral("CanSeek"),
    };
    return names;
}

}  // namespace

RemoteControlService::RemoteControlService(RemoteServiceSettings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      connection_(QStringLiteral("kivo-remote-not-connected")) {
    root_adaptor_ = new MprisRootAdaptor(this);
    player_adaptor_ = new MprisPlayerAdaptor(this);
    command_adaptor_ = new KivoRemoteAdaptor(this);
}

RemoteControlService::~RemoteControlService() {
    stop();
}

bool RemoteControlService::start(QString* error) {
    if (running_) {
        return true;
    }
    if (!IsValidPlayerName(settings_.player_name)) {
        SetError(error,
                 QStringLiteral("\"%1\" cannot be part of a bus name").arg(settings_.player_name));
        return false;
    }
    connection_name_ = NextConnectionName(settings_.player_name);
    connection_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection_name_);
    if (!connection_.isConnected()) {
        const QString reason = connection_.lastError().message();
        SetError(error, reason.isEmpty() ? QStringLiteral("no session bus") : reason);
        QDBusConnection::disconnectFromBus(connection_name_);
        return false;
    }
    if (!connection_.registerObject(QString::fromLatin1(kMprisObjectPath), this,
                                    QDBusConnection::ExportAdaptors)) {
        SetError(error, QStringLiteral("the player object could not be exported"));
        QDBusConnection::disconnectFromBus(connection_name_);
        return false;
    }
    QString name = MprisServiceName(settings_.player_name);
    if (!connection_.registerService(name)) {
        name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!connection_.registerService(name)) {
            SetError(error, QStringLiteral("the bus name %1 is taken").arg(name));
            connection_.unregisterObject(QString::fromLatin1(kMprisObjectPath));
            QDBusConnection::disconnectFromBus(connection_name_);
            return false;
        }
    }
    service_name_ = name;
    running_ = true;
    return true;
}

void RemoteControlService::stop() {
    if (!running_) {
        return;
    }
    connection_.unregisterService(service_name_);
    connection_.unregisterObject(QString::fromLatin1(kMprisObjectPath));
    QDBusConnection::disconnectFromBus(connection_name_);
    service_name_.clear();
    running_ = false;
}

void RemoteControlService::setTarget(remote::PlaybackRemoteTarget* target,
                                     QObject* lifetime_guard) {
    target_ = target;
    target_guard_ = lifetime_guard;
    target_guarded_ = target != nullptr && lifetime_guard != nullptr;
    emitPlayerPropertiesChanged(AllPlayerProperties());
}

remote::PlaybackRemoteTarget* RemoteControlService::target() const {
    if (target_guarded_ && target_guard_.isNull()) {
        return nullptr;
    }
    return target_;
}

void RemoteControlService::notifyPlaybackStatusChanged() {
    emitPlayerPropertiesChanged({QStringLiteral("PlaybackStatus")});
}

void RemoteControlService::notifyMetadataChanged() {
    emitPlayerPropertiesChanged({QStringLiteral("Metadata")});
}

void RemoteControlService::notifyCapabilitiesChanged() {
    emitPlayerPropertiesChanged({QStringLiteral("CanGoNext"), QStringLiteral("CanGoPrevious"),
                                 QStringLiteral("CanPlay"), QStringLiteral("CanPause"),
                                 QStringLiteral("CanSeek")});
}

void RemoteControlService::notifySeeked(qint64 position_us) {
    if (running_) {
        emit player_adaptor_->Seeked(position_us);
    }
}

void RemoteControlService::emitPlayerPropertiesChanged(const QStringList& names) {
    if (!running_) {
        return;
    }
    QVariantMap changed;
    for (const QString& name : names) {
        changed.insert(name, player_adaptor_->property(name.toLatin1().constData()));
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kMprisObjectPath),
                                                     QString::fromLatin1(kPropertiesInterface),
                                                     QString::fromLatin1(kPropertiesChangedSignal));
    signal << QString::fromLatin1(kMprisPlayerInterface) << changed << QStringList();
    connection_.send(signal);
}

}  // namespace kivo::dbus
