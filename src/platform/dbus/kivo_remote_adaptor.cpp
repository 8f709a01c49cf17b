// org.kivo.Remote over RemoteControlService.
#include "kivo_remote_adaptor.h"

#include "kivo/remote/remote_control_service.h"

namespace kivo::remote {

KivoRemoteAdaptor::KivoRemoteAdaptor(RemoteControlService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

void KivoRemoteAdaptor::Command(int code) {
    if (PlaybackRemoteTarget* target = service_->target()) {
        target->command(code);
    }
}

}  // namespace kivo::remote
