// Time texts of the message player.
#include "player_texts.h"

#include <QStringList>

namespace kivo::player {

QString FormatHms(std::int64_t ms) {
    const std::int64_t seconds = ms > 0 ? ms / 1000 : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
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
