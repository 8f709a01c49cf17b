// Hot keys as application shortcuts on the owner window.
#include "shortcut_hot_key_grabber.h"

#include <QShortcut>

#include "kivo/hotkeys/virtual_keys.h"

namespace kivo::hotkeys {

ShortcutHotKeyGrabber::ShortcutHotKeyGrabber(QObject* owner) : owner_(owner) {}

ShortcutHotKeyGrabber::~ShortcutHotKeyGrabber() {
    while (!shortcuts_.empty()) {
        ungrab(shortcuts_.begin()->first);
    }
}

bool ShortcutHotKeyGrabber::grab(int id, HotKey key) {
    const std::optional<QKeySequence> sequence = KeySequenceForHotKey(key);
    if (!sequence || owner_.isNull() || shortcuts_.count(id) != 0) {
        return false;
    }
    auto* shortcut = new QShortcut(*sequence, owner_.data());
    shortcut->setContext(Qt::ApplicationShortcut);
    shortcut->setAutoRepeat(true);
    QObject::connect(shortcut, &QShortcut::activated, shortcut,
                     [this, id] { reportActivated(id); });
    shortcuts_[id] = shortcut;
    return true;
}

void ShortcutHotKeyGrabber::ungrab(int id) {
    const auto found = shortcuts_.find(id);
    if (found == shortcuts_.end()) {
        return;
    }
    delete found->second.data();  // nullptr when the owner already deleted it
    shortcuts_.erase(found);
}

}  // namespace kivo::hotkeys
