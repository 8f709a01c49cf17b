// PositionBar: the recorder's position bar, which also sets the position. A
// click on the bar, or a drag along it with the button held, reports the
// point under the mouse as a share of the bar's length (0 at the left end,
// 1 at the right); the recorder turns it into a time.
#pragma once

#include <QProgressBar>

namespace kivo::recorder {

class PositionBar : public QProgressBar {
    Q_OBJECT

public:
    explicit PositionBar(QWidget* parent = nullptr);

    // The share of the bar's width at x (a widget coordinate), within 0..1.
    double ShareAt(int x) const;

signals:
    void positionPicked(double share);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace kivo::recorder
