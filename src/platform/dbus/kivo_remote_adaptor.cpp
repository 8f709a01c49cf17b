// org.kivo.Remote over RemoteControlService.
#include "kivo_remote_adaptor.h"

#include "kivo/dbus/remote_control_service.h"

namespace kivo::dbus {

KivoRemoteAdaptor::KivoRemoteAdaptor(RemoteControlService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

void KivoRemoteAdaptor::Command(int code) {
    if (remote::PlaybackRemoteTarget* target = service_->target()) {
        target->command(code);
    }
}

}  // namespace kivo::dbus
