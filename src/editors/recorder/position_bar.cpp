// The position bar that can be clicked and dragged (see position_bar.h).
#include "kivo/recorder/position_bar.h"

#include <QMouseEvent>
#include <algorithm>

namespace kivo::recorder {

PositionBar::PositionBar(QWidget* parent) : QProgressBar(parent) {
    setCursor(Qt::PointingHandCursor);
}

double PositionBar::ShareAt(int x) const {
    if (width() <= 1)
        return 0.0;
    return std::clamp(static_cast<double>(x) / (width() - 1), 0.0, 1.0);
}

void PositionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QProgressBar::mousePressEvent(event);
        return;
    }
    emit positionPicked(ShareAt(event->position().toPoint().x()));
    event->accept();
}

void PositionBar::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        QProgressBar::mouseMoveEvent(event);
        return;
    }
    emit positionPicked(ShareAt(event->position().toPoint().x()));
    event->accept();
}

}  // namespace kivo::recorder
