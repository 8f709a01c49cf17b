// AcceleratedSpinBox: a spin box whose steps grow while an arrow (mouse or
// key) is held, as SpinAcceleration says. A turn of the wheel is always a
// single step.
#pragma once

#include <QElapsedTimer>
#include <QSpinBox>

#include "kivo/recorder/spin_acceleration.h"

namespace kivo::recorder {

class AcceleratedSpinBox : public QSpinBox {
public:
    explicit AcceleratedSpinBox(QWidget* parent = nullptr);

    void stepBy(int steps) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QElapsedTimer clock_;
    SpinAcceleration acceleration_;
};

}  // namespace kivo::recorder
