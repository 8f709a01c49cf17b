// Opening help pages in the desktop's browser.
#include "help_topics.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "message_box_reporter.h"
#include "resources.h"

namespace kivo::app {

bool OpenHelpTopic(const Resources& resources, const QString& topic, QWidget* parent) {
    const QString page = resources.HelpPage(topic);
    if (QFileInfo::exists(page) && QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        return true;
    QMessageBox::warning(parent, QString::fromLatin1(kMessageBoxTitle),
                         QObject::tr("The help page %1 could not be opened.\n"
                                     "Open it in a web browser yourself.")
                             .arg(page));
    return false;
}

}  // namespace kivo::app
