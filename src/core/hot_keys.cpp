// The playback hot keys and their storage in the user's settings.
#include "kivo/core/hot_keys.h"

#include <QSettings>
#include <QString>
#include <Qt>

#include <cstdio>
#include <string>
#include <utility>

namespace kivo::core {
namespace {

constexpr const char* kOrganisation = "Brellan Works";
constexpr const char* kApplication = "KIVO";

constexpr std::uint32_t kCtrlDefault = kHotKeyCtrl;

const std::array<HotKeyAction, kHotKeyCount> kActions{{
    {"HotKey01", "Rewind", PackHotKey(kVkDown, kCtrlDefault), 10310},
    {"HotKey02", "Rewind 2 seconds", PackHotKey(kVkUp, kCtrlDefault), 10311},
    {"HotKey03", "Play from the previous mark", PackHotKey(kVkLeft, kCtrlDefault), 10312},
    {"HotKey04", "Play", PackHotKey(kVkPageUp, kCtrlDefault), 10313},
    {"HotKey05", "Stop", PackHotKey(kVkPageDown, kCtrlDefault), 10314},
    {"HotKey06", "Play from the next mark", PackHotKey(kVkRight, kCtrlDefault), 10315},
}};

// Windows virtual-key codes and Qt keys that are not letters, digits or
// function keys (those follow a pattern).
const std::pair<std::uint32_t, int> kKeyPairs[] = {
    {0x08, Qt::Key_Backspace},     {0x09, Qt::Key_Tab},       {0x0D, Qt::Key_Return},
    {0x13, Qt::Key_Pause},         {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},
    {0x21, Qt::Key_PageUp},        {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},
    {0x24, Qt::Key_Home},          {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},
    {0x27, Qt::Key_Right},         {0x28, Qt::Key_Down},      {0x2C, Qt::Key_Print},
    {0x2D, Qt::Key_Insert},        {0x2E, Qt::Key_Delete},    {0x6A, Qt::Key_Asterisk},
    {0x6B, Qt::Key_Plus},          {0x6D, Qt::Key_Minus},     {0x6E, Qt::Key_Period},
    {0x6F, Qt::Key_Slash},         {0xB3, Qt::Key_MediaPlay}, {0xB2, Qt::Key_MediaStop},
    {0xB1, Qt::Key_MediaPrevious}, {0xB0, Qt::Key_MediaNext},
};

}  // namespace

const std::array<HotKeyAction, kHotKeyCount>& HotKeyActions() {
    return kActions;
}

std::uint32_t RequireCtrl(std::uint32_t packed) {
    std::uint32_t modifiers = HotKeyModifiers(packed);
    if ((modifiers & kHotKeyCtrl) == 0) {
        modifiers = kHotKeyCtrl | (modifiers & kHotKeyExtended);
    }
    return PackHotKey(HotKeyVirtualKey(packed), modifiers);
}

std::uint32_t WithoutExtendedFlag(std::uint32_t packed) {
    return PackHotKey(HotKeyVirtualKey(packed), HotKeyModifiers(packed) & ~kHotKeyExtended);
}

std::optional<int> QtKeyFromVirtualKey(std::uint32_t vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return static_cast<int>(vk);
    if (vk >= 0x60 && vk <= 0x69)
        return Qt::Key_0 + static_cast<int>(vk - 0x60);  // keypad
    if (vk >= 0x70 && vk <= 0x87)
        return Qt::Key_F1 + static_cast<int>(vk - 0x70);
    for (const auto& [virtual_key, qt_key] : kKeyPairs) {
        if (virtual_key == vk)
            return qt_key;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> VirtualKeyFromQtKey(int qt_key) {
    if ((qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) ||
        (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)) {
        return static_cast<std::uint32_t>(qt_key);
    }
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) {
        return 0x70u + static_cast<std::uint32_t>(qt_key - Qt::Key_F1);
    }
    if (qt_key == Qt::Key_Enter)
        return 0x0Du;
    for (const auto& [virtual_key, key] : kKeyPairs) {
        if (key == qt_key)
            return virtual_key;
    }
    return std::nullopt;
}

std::string DescribeHotKey(std::uint32_t packed) {
    std::string text;
    std::uint32_t modifiers = HotKeyModifiers(packed);
    if (modifiers & kHotKeyCtrl)
        text += "Ctrl+";
    if (modifiers & kHotKeyShift)
        text += "Shift+";
    if (modifiers & kHotKeyAlt)
        text += "Alt+";
    std::uint32_t vk = HotKeyVirtualKey(packed);
    switch (vk) {
        case kVkPageUp:
            return text + "Page Up";
        case kVkPageDown:
            return text + "Page Down";
        case kVkLeft:
            return text + "Left";
        case kVkUp:
            return text + "Up";
        case kVkRight:
            return text + "Right";
        case kVkDown:
            return text + "Down";
        default:
            break;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return text + static_cast<char>(vk);
    if (vk >= 0x70 && vk <= 0x87)
        return text + "F" + std::to_string(vk - 0x70 + 1);
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", vk);
    return text + code;
}

HotKeyTable::HotKeyTable() {
    for (int i = 0; i < kHotKeyCount; ++i)
        values_[i] = kActions[i].default_value;
}

void HotKeyTable::Load() {
    *this = HotKeyTable();
    QSettings settings(kOrganisation, kApplication);
    for (int i = 0; i < kHotKeyCount; ++i) {
        QVariant stored = settings.value(kActions[i].value_name);
        if (!stored.isValid())
            continue;
        bool ok = false;
        qulonglong value = stored.toULongLong(&ok);
        if (ok && value <= 0xFFFFFFFFull)
            values_[i] = static_cast<std::uint32_t>(value);
    }
}

bool HotKeyTable::Save() const {
    QSettings settings(kOrganisation, kApplication);
    for (int i = 0; i < kHotKeyCount; ++i) {
        settings.setValue(kActions[i].value_name, static_cast<qulonglong>(values_[i]));
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace kivo::core
