// HelpKeyFilter: F1 in a window of the program that has no help key of its
// own opens the help page that describes that window, or the contents page
// when no page does, so that F1 never does nothing. A window with its own
// F1 (a help shortcut) answers the key itself: its shortcut takes the key
// before the filter sees it. The help window's own F1 is left alone.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace kivo::app {

// The page for a top-level window, by the window's class.
QString HelpTopicOfWindow(const QWidget* window);

class HelpKeyFilter : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void helpRequested(const QString& topic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kivo::app
