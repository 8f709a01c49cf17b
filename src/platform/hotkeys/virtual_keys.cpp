// The virtual-key table: built once from a list of single keys and the
// contiguous ranges (digits, letters, keypad digits, F1-F24).
#include "kivo/hotkeys/virtual_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <vector>

namespace kivo::hotkeys {
namespace {

// Virtual-key codes of the ranges.
constexpr std::uint8_t kVkDigit0 = 0x30;
constexpr std::uint8_t kVkLetterA = 0x41;
constexpr std::uint8_t kVkNumpad0 = 0x60;
constexpr std::uint8_t kVkF1 = 0x70;
constexpr int kFunctionKeyCount = 24;

constexpr VirtualKeyInfo kSingleKeys[] = {
    {0x08, Qt::Key_Backspace, false, XK_BackSpace},
    {0x09, Qt::Key_Tab, false, XK_Tab},
    {0x0D, Qt::Key_Return, false, XK_Return},
    {0x13, Qt::Key_Pause, false, XK_Pause},
    {0x1B, Qt::Key_Escape, false, XK_Escape},
    {0x20, Qt::Key_Space, false, XK_space},
    {0x21, Qt::Key_PageUp, false, XK_Prior},
    {0x22, Qt::Key_PageDown, false, XK_Next},
    {0x23, Qt::Key_End, false, XK_End},
    {0x24, Qt::Key_Home, false, XK_Home},
    {0x25, Qt::Key_Left, false, XK_Left},
    {0x26, Qt::Key_Up, false, XK_Up},
    {0x27, Qt::Key_Right, false, XK_Right},
    {0x28, Qt::Key_Down, false, XK_Down},
    {0x2C, Qt::Key_Print, false, XK_Print},
    {0x2D, Qt::Key_Insert, false, XK_Insert},
    {0x2E, Qt::Key_Delete, false, XK_Delete},
    {0x6A, Qt::Key_Asterisk, true, XK_KP_Multiply},
    {0x6B, Qt::Key_Plus, true, XK_KP_Add},
    {0x6D, Qt::Key_Minus, true, XK_KP_Subtract},
    {0x6E, Qt::Key_Period, true, XK_KP_Decimal},
    {0x6F, Qt::Key_Slash, true, XK_KP_Divide},
    {0xAD, Qt::Key_VolumeMute, false, XF86XK_AudioMute},
    {0xAE, Qt::Key_VolumeDown, false, XF86XK_AudioLowerVolume},
    {0xAF, Qt::Key_VolumeUp, false, XF86XK_AudioRaiseVolume},
    {0xB0, Qt::Key_MediaNext, false, XF86XK_AudioNext},
    {0xB1, Qt::Key_MediaPrevious, false, XF86XK_AudioPrev},
    {0xB2, Qt::Key_MediaStop, false, XF86XK_AudioStop},
    {0xB3, Qt::Key_MediaPlay, false, XF86XK_AudioPlay},
    {0xBA, Qt::Key_Semicolon, false, XK_semicolon},
    {0xBB, Qt::Key_Equal, false, XK_equal},
    {0xBC, Qt::Key_Comma, false, XK_comma},
    {0xBD, Qt::Key_Minus, false, XK_minus},
    {0xBE, Qt::Key_Period, false, XK_period},
    {0xBF, Qt::Key_Slash, false, XK_slash},
    {0xC0, Qt::Key_QuoteLeft, false, XK_grave},
    {0xDB, Qt::Key_BracketLeft, false, XK_bracketleft},
    {0xDC, Qt::Key_Backslash, false, XK_backslash},
    {0xDD, Qt::Key_BracketRight, false, XK_bracketright},
    {0xDE, Qt::Key_Apostrophe, false, XK_apostrophe},
};

std::vector<VirtualKeyInfo> BuildTable() {
    std::vector<VirtualKeyInfo> table(std::begin(kSingleKeys), std::end(kSingleKeys));
    for (int i = 0; i < 10; ++i) {
        const auto qt_key = static_cast<Qt::Key>(Qt::Key_0 + i);
        table.push_back({static_cast<std::uint8_t>(kVkDigit0 + i), qt_key, false,
                         static_cast<std::uint32_t>(XK_0 + i)});
        table.push_back({static_cast<std::uint8_t>(kVkNumpad0 + i), qt_key, true,
                         static_cast<std::uint32_t>(XK_KP_0 + i)});
    }
    for (int i = 0; i < 26; ++i) {
        table.push_back({static_cast<std::uint8_t>(kVkLetterA + i),
                         static_cast<Qt::Key>(Qt::Key_A + i), false,
                         static_cast<std::uint32_t>(XK_a + i)});
    }
    for (int i = 0; i < kFunctionKeyCount; ++i) {
        table.push_back({static_cast<std::uint8_t>(kVkF1 + i), static_cast<Qt::Key>(Qt::Key_F1 + i),
                         false, static_cast<std::uint32_t>(XK_F1 + i)});
    }
    return table;
}

const std::vector<VirtualKeyInfo>& Table() {
    static const std::vector<VirtualKeyInfo> table = BuildTable();
    return table;
}

Qt::KeyboardModifiers QtModifiers(std::uint8_t modifiers) {
    Qt::KeyboardModifiers result;
    if (modifiers & kHotKeyShift) {
        result |= Qt::ShiftModifier;
    }
    if (modifiers & kHotKeyControl) {
        result |= Qt::ControlModifier;
    }
    if (modifiers & kHotKeyAlt) {
        result |= Qt::AltModifier;
    }
    return result;
}

}  // namespace

const VirtualKeyInfo* FindVirtualKey(std::uint8_t virtual_key) {
    for (const VirtualKeyInfo& info : Table()) {
        if (info.virtual_key == virtual_key) {
            return &info;
        }
    }
    return nullptr;
}

const VirtualKeyInfo* FindVirtualKeyForQtKey(Qt::Key key, bool keypad) {
    for (const VirtualKeyInfo& info : Table()) {
        if (info.qt_key == key && info.keypad == keypad) {
            return &info;
        }
    }
    return nullptr;
}

std::optional<QKeySequence> KeySequenceForHotKey(HotKey key) {
    const VirtualKeyInfo* info = FindVirtualKey(key.virtual_key);
    if (!info) {
        return std::nullopt;
    }
    Qt::KeyboardModifiers modifiers = QtModifiers(key.modifiers);
    if (info->keypad) {
        modifiers |= Qt::KeypadModifier;
    }
    return QKeySequence(QKeyCombination(modifiers, info->qt_key));
}

std::optional<HotKey> HotKeyForKeyCombination(QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::MetaModifier) {
        return std::nullopt;
    }
    const VirtualKeyInfo* info =
        FindVirtualKeyForQtKey(combination.key(), modifiers.testFlag(Qt::KeypadModifier));
    if (!info) {
        return std::nullopt;
    }
    HotKey key;
    key.virtual_key = info->virtual_key;
    if (modifiers & Qt::ShiftModifier) {
        key.modifiers |= kHotKeyShift;
    }
    if (modifiers & Qt::ControlModifier) {
        key.modifiers |= kHotKeyControl;
    }
    if (modifiers & Qt::AltModifier) {
        key.modifiers |= kHotKeyAlt;
    }
    return key;
}

QString HotKeyText(HotKey key) {
    const std::optional<QKeySequence> sequence = KeySequenceForHotKey(key);
    return sequence ? sequence->toString(QKeySequence::PortableText) : QString();
}

}  // namespace kivo::hotkeys
