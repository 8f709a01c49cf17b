// The About box.
#include "about_box.h"

#include <QApplication>
#include <QMessageBox>

#include "resources.h"

namespace kivo::app {

void ShowAboutBox(const Resources& resources, QWidget* parent) {
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromLatin1(kAboutTitle));
    box.setIconPixmap(resources.Icon("kivo").pixmap(64, 64));
    box.setTextFormat(Qt::RichText);
    box.setText(QObject::tr("<h3>Kivo %1</h3>"
                            "<p>A voice-record organiser: dictations, meetings, phone calls, "
                            "diary entries, translations and video, kept in Kivo data "
                            "stores.</p>")
                    .arg(QApplication::applicationVersion().toHtmlEscaped()));
    box.setInformativeText(QObject::tr("Built with Qt %1.").arg(QString::fromLatin1(qVersion())));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

}  // namespace kivo::app
