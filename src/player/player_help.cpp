// Finding the player's help pages.
#include "player_help.h"

#include <QFileInfo>

namespace kivo::player {

QString ControlHelpTopic(const QString& section) {
    return QString::fromLatin1(kHelpContentsTopic) + QLatin1Char('#') + section;
}

QString HelpPagePath(const QString& topic, const QString& program_folder,
                     const QString& source_folder) {
    const QString page = topic.section(QLatin1Char('#'), 0, 0);
    const QString installed = program_folder + QStringLiteral("/../share/kivo/help/kvmp/") + page;
    if (QFileInfo::exists(installed))
        return QFileInfo(installed).absoluteFilePath();
    return source_folder + QStringLiteral("/kvmp/") + page;
}

}  // namespace kivo::player
