// org.mpris.MediaPlayer2 over RemoteControlService.
#include "mpris_root_adaptor.h"

#include "kivo/dbus/remote_control_service.h"

namespace kivo::dbus {

MprisRootAdaptor::MprisRootAdaptor(RemoteControlService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisRootAdaptor::identity() const {
    return service_->settings().identity;
}

QString MprisRootAdaptor::desktopEntry() const {
    return service_->settings().desktop_entry;
}

}  // namespace kivo::dbus
