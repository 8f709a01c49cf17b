// MPRIS2 values built from what the playback target reports.
#include "mpris_values.h"

namespace kivo::dbus {
namespace {

bool IsObjectPathCharacter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
}

}  // namespace

QString PlaybackStatusText(remote::PlaybackStatus status) {
    switch (status) {
        case remote::PlaybackStatus::Playing:
            return QStringLiteral("Playing");
        case remote::PlaybackStatus::Paused:
            return QStringLiteral("Paused");
        case remote::PlaybackStatus::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath TrackIdFor(const remote::PlaybackMetadata& metadata) {
    if (metadata.record_number.isEmpty()) {
        return QDBusObjectPath(QString::fromLatin1(kNoTrackPath));
    }
    QString element = QStringLiteral("R");
    for (QChar c : metadata.record_number) {
        element += IsObjectPathCharacter(c) ? c : QChar(u'_');
    }
    return QDBusObjectPath(QStringLiteral("/org/kivo/Record/") + element);
}

QVariantMap MetadataMap(const remote::PlaybackMetadata& metadata) {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackIdFor(metadata)));
    if (metadata.record_number.isEmpty()) {
        return map;
    }
    map.insert(QStringLiteral("mpris:length"), QVariant::fromValue(qlonglong(metadata.length_us)));
    map.insert(QStringLiteral("xesam:title"), metadata.title);
    return map;
}

bool SetPositionApplies(const remote::PlaybackMetadata& metadata, const QDBusObjectPath& track_id,
                        qint64 position_us) {
    if (metadata.record_number.isEmpty() || track_id != TrackIdFor(metadata)) {
        return false;
    }
    return position_us >= 0 && position_us <= metadata.length_us;
}

}  // namespace kivo::dbus
