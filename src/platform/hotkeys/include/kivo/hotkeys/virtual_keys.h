// Windows virtual-key codes of the stored hot keys, mapped to Qt keys (for
// key sequences and application shortcuts) and to X keysyms (for global
// grabs). Only keys that make sense as a hot key are listed; the punctuation
// keys follow the US layout, as the Windows codes do.
#pragma once

#include <QKeySequence>
#include <QString>
#include <cstdint>
#include <optional>

#include "kivo/hotkeys/hot_key.h"

namespace kivo::hotkeys {

struct VirtualKeyInfo {
    std::uint8_t virtual_key;
    Qt::Key qt_key;
    bool keypad;  // on the numeric keypad: Qt reports it with Qt::KeypadModifier
    std::uint32_t x_keysym;
};

// nullptr for a code with no mapping (0, mouse buttons, IME keys ...).
const VirtualKeyInfo* FindVirtualKey(std::uint8_t virtual_key);
const VirtualKeyInfo* FindVirtualKeyForQtKey(Qt::Key key, bool keypad);

// Ctrl+Down for 0x228; nothing when the key has no mapping.
std::optional<QKeySequence> KeySequenceForHotKey(HotKey key);
// The reverse, for a key pressed in the Hot Keys dialog; Meta is not storable.
std::optional<HotKey> HotKeyForKeyCombination(QKeyCombination combination);
// "Ctrl+Down" (portable text), or "" when the key has no mapping.
QString HotKeyText(HotKey key);

}  // namespace kivo::hotkeys
