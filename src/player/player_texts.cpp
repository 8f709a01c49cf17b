// Time texts of the message player.
#include "player_texts.h"

#include <QStringList>

#include "kivo/recordstore/clock.h"

namespace kivo::player {

QString PositionText(std::int64_t position_ms, std::int64_t length_ms) {
    return QString::fromStdString(recordstore::DurationText(position_ms)) + QStringLiteral(" / ") +
           QString::fromStdString(recordstore::DurationText(length_ms));
}

std::int64_t ParseHms(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.isEmpty() || parts.size() > 3)
        return -1;
    std::int64_t seconds = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || part.size() > 4)
            return -1;
        seconds = seconds * 60 + value;
    }
    return seconds * 1000;
}

}  // namespace kivo::player
