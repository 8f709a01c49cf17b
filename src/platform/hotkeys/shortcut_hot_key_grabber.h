// Hot keys as application shortcuts: used when no global grab is possible
// (Wayland, the offscreen platform). Keys work while a window of the program
// is active.
#pragma once

#include <QPointer>
#include <map>

#include "kivo/hotkeys/hot_key_grabber.h"

class QShortcut;

namespace kivo::hotkeys {

class ShortcutHotKeyGrabber : public HotKeyGrabber {
public:
    // owner: the QWidget or QWindow the shortcuts belong to; without one no
    // key can be grabbed.
    explicit ShortcutHotKeyGrabber(QObject* owner);
    ~ShortcutHotKeyGrabber() override;

    bool grab(int id, HotKey key) override;
    void ungrab(int id) override;
    bool isGlobal() const override { return false; }

private:
    QPointer<QObject> owner_;
    std::map<int, QPointer<QShortcut>> shortcuts_;
};

}  // namespace kivo::hotkeys
