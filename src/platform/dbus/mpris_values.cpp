// MPRIS2 values built from what the playback target reports.
#include "mpris_values.h"

namespace kivo::remote {
namespace {

bool IsObjectPathCharacter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
}

}  // namespace

QString PlaybackStatusText(PlaybackStatus status) {
    switch (status) {
        case PlaybackStatus::Playing:
            return QStringLiteral("Playing");
        case PlaybackStatus::Paused:
            return QStringLiteral("Paused");
        case PlaybackStatus::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath TrackIdFor(const PlaybackMetadata& metadata) {
    if (metadata.record_number.isEmpty()) {
        return QDBusObjectPath(QString::fromLatin1(kNoTrackPath));
    }
    QString element = QStringLiteral("R");
    for (QChar c : metadata.record_number) {
        element += IsObjectPathCharacter(c) ? c : QChar(u'_');
    }
    return QDBusObjectPath(QStringLiteral("/org/kivo/Record/") + element);
}

QVariantMap MetadataMap(const PlaybackMetadata& metadata) {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackIdFor(metadata)));
    if (metadata.record_number.isEmpty()) {
        return map;
    }
    map.insert(QStringLiteral("mpris:length"), QVariant::fromValue(qlonglong(metadata.length_us)));
    map.insert(QStringLiteral("xesam:title"), metadata.title);
    return map;
}

bool SetPositionApplies(const PlaybackMetadata& metadata, const QDBusObjectPath& track_id,
                        qint64 position_us) {
    if (metadata.record_number.isEmpty() || track_id != TrackIdFor(metadata)) {
        return false;
    }
    return position_us >= 0 && position_us <= metadata.length_us;
}

}  // namespace kivo::remote
