// A spin box whose held arrows speed up (see accelerated_spin_box.h).
#include "kivo/recorder/accelerated_spin_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace kivo::recorder {

AcceleratedSpinBox::AcceleratedSpinBox(QWidget* parent) : QSpinBox(parent) {
    clock_.start();
}

void AcceleratedSpinBox::stepBy(int steps) {
    QSpinBox::stepBy(steps * acceleration_.Step(clock_.elapsed()));
}

void AcceleratedSpinBox::mousePressEvent(QMouseEvent* event) {
    acceleration_.Press(clock_.elapsed());
    QSpinBox::mousePressEvent(event);
}

void AcceleratedSpinBox::mouseReleaseEvent(QMouseEvent* event) {
    QSpinBox::mouseReleaseEvent(event);
    acceleration_.Release();
}

void AcceleratedSpinBox::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat())
        acceleration_.Press(clock_.elapsed());
    QSpinBox::keyPressEvent(event);
}

void AcceleratedSpinBox::keyReleaseEvent(QKeyEvent* event) {
    QSpinBox::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        acceleration_.Release();
}

void AcceleratedSpinBox::wheelEvent(QWheelEvent* event) {
    acceleration_.Release();
    QSpinBox::wheelEvent(event);
}

}  // namespace kivo::recorder
