// MPRIS2 values built from what the playback target reports: the status text,
// the track id object path, the metadata map and the SetPosition checks.
#pragma once

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

#include "kivo/remote/playback_remote_target.h"

namespace kivo::dbus {

// "/org/mpris/MediaPlayer2/TrackList/NoTrack": the track id when nothing is loaded.
inline constexpr char kNoTrackPath[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// "Playing", "Paused" or "Stopped".
QString PlaybackStatusText(remote::PlaybackStatus status);

// "/org/kivo/Record/R<record number>" with characters an object path can't
// hold replaced by '_'; kNoTrackPath for an empty record number.
QDBusObjectPath TrackIdFor(const remote::PlaybackMetadata& metadata);

// mpris:trackid, mpris:length and xesam:title.
QVariantMap MetadataMap(const remote::PlaybackMetadata& metadata);

// SetPosition is honoured only for the loaded track and a position within it.
bool SetPositionApplies(const remote::PlaybackMetadata& metadata, const QDBusObjectPath& track_id,
                        qint64 position_us);

}  // namespace kivo::dbus
