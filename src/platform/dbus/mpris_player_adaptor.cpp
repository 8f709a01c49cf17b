// org.mpris.MediaPlayer2.Player over the playback target. Calls the target
// cannot serve right now (its capabilities say so) do nothing, as MPRIS asks.
#include "mpris_player_adaptor.h"

#include "kivo/dbus/remote_control_service.h"
#include "mpris_values.h"

namespace kivo::dbus {

MprisPlayerAdaptor::MprisPlayerAdaptor(RemoteControlService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

remote::PlaybackRemoteTarget* MprisPlayerAdaptor::target() const {
    return service_->target();
}

remote::PlaybackCapabilities MprisPlayerAdaptor::capabilities() const {
    if (remote::PlaybackRemoteTarget* t = target()) {
        return t->capabilities();
    }
    return remote::PlaybackCapabilities{false, false, false, false, false};
}

QString MprisPlayerAdaptor::playbackStatus() const {
    remote::PlaybackRemoteTarget* t = target();
    return PlaybackStatusText(t ? t->playbackStatus() : remote::PlaybackStatus::Stopped);
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    remote::PlaybackRemoteTarget* t = target();
    return MetadataMap(t ? t->metadata() : remote::PlaybackMetadata{});
}

qlonglong MprisPlayerAdaptor::position() const {
    remote::PlaybackRemoteTarget* t = target();
    return t ? t->position_us() : 0;
}

bool MprisPlayerAdaptor::canGoNext() const {
    return capabilities().can_go_next;
}
bool MprisPlayerAdaptor::canGoPrevious() const {
    return capabilities().can_go_previous;
}
bool MprisPlayerAdaptor::canPlay() const {
    return capabilities().can_play;
}
bool MprisPlayerAdaptor::canPause() const {
    return capabilities().can_pause;
}
bool MprisPlayerAdaptor::canSeek() const {
    return capabilities().can_seek;
}

void MprisPlayerAdaptor::Next() {
    if (canGoNext()) {
        target()->next();
    }
}

void MprisPlayerAdaptor::Previous() {
    if (canGoPrevious()) {
        target()->previous();
    }
}

void MprisPlayerAdaptor::Pause() {
    if (canPause()) {
        target()->pause();
    }
}

void MprisPlayerAdaptor::PlayPause() {
    if (canPause() || canPlay()) {
        target()->playPause();
    }
}

void MprisPlayerAdaptor::Stop() {
    if (remote::PlaybackRemoteTarget* t = target()) {
        t->stop();
    }
}

void MprisPlayerAdaptor::Play() {
    if (canPlay()) {
        target()->play();
    }
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    if (canSeek()) {
        target()->seek(Offset);
    }
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    if (!canSeek()) {
        return;
    }
    remote::PlaybackRemoteTarget* t = target();
    if (SetPositionApplies(t->metadata(), TrackId, Position)) {
        t->setPosition(Position);
    }
}

}  // namespace kivo::dbus
