// Painting the splash picture.
#include "splash_screen.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSplashScreen>
#include <QSvgRenderer>

#include "resources.h"

namespace kivo::app {

std::unique_ptr<QSplashScreen> MakeSplashScreen(const Resources& resources) {
    QPixmap picture(kSplashWidth_px, kSplashHeight_px);
    picture.fill(QColor(122, 153, 215));
    QSvgRenderer renderer(resources.IconPath("kivo-splash"));
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter);
    }
    {
        QPainter painter(&picture);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(14);
        painter.setFont(font);
        painter.drawText(QRect(0, kSplashHeight_px - 40, kSplashWidth_px - 24, 30),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QObject::tr("Version %1").arg(QApplication::applicationVersion()));
    }
    return std::make_unique<QSplashScreen>(picture);
}

}  // namespace kivo::app
