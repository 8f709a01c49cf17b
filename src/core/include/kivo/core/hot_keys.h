// HotKeyTable: the six playback hot keys, kept in the user's settings
// (QSettings organisation "Brellan Works", application "KIVO") as the values
// HotKey01 .. HotKey06.
//
// Packing of one value (compatible with the Windows program's registry):
//   bits 0-7   virtual-key code (Windows VK_ numbering)
//   bits 8-15  modifiers: Shift 0x01, Ctrl 0x02, Alt 0x04, extended key 0x08
// Every accepted hot key includes Ctrl: a combination with no modifier, Shift,
// Alt or Shift+Alt gets Ctrl in place of its modifiers.
// Registering the keys with the desktop belongs to the playback side.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kivo::core {

inline constexpr int kHotKeyCount = 6;

enum HotKeyModifier : std::uint32_t {
    kHotKeyShift = 0x01,
    kHotKeyCtrl = 0x02,
    kHotKeyAlt = 0x04,
    kHotKeyExtended = 0x08,
};

// Windows virtual-key codes used by the defaults.
enum VirtualKey : std::uint32_t {
    kVkPageUp = 0x21,
    kVkPageDown = 0x22,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
};

struct HotKeyAction {
    const char* value_name;  // "HotKey01"
    const char* label;       // "Rewind", as the Hot Keys dialog shows it
    std::uint32_t default_value;
    int identifier;  // 10310 .. 10315
};

// The six actions in table order: rewind, rewind 2 seconds, previous mark,
// play, stop, next mark.
const std::array<HotKeyAction, kHotKeyCount>& HotKeyActions();

constexpr std::uint32_t PackHotKey(std::uint32_t virtual_key, std::uint32_t modifiers) {
    return (virtual_key & 0xFFu) | ((modifiers & 0xFFu) << 8);
}
constexpr std::uint32_t HotKeyVirtualKey(std::uint32_t packed) {
    return packed & 0xFFu;
}
constexpr std::uint32_t HotKeyModifiers(std::uint32_t packed) {
    return (packed >> 8) & 0xFFu;
}

// Applies the Hot Keys dialog's rule: a value whose modifiers lack Ctrl gets
// Ctrl in place of them (Shift+Down becomes Ctrl+Down).
std::uint32_t RequireCtrl(std::uint32_t packed);

// The value as stored by "Save": the extended-key flag cleared.
std::uint32_t WithoutExtendedFlag(std::uint32_t packed);

// Translation between Windows virtual-key codes and Qt::Key values (as int,
// so this header needs no Qt). Nothing when the key has no counterpart.
std::optional<int> QtKeyFromVirtualKey(std::uint32_t virtual_key);
std::optional<std::uint32_t> VirtualKeyFromQtKey(int qt_key);

// A readable name such as "Ctrl+Down" for messages and the command line.
std::string DescribeHotKey(std::uint32_t packed);

class HotKeyTable {
public:
    HotKeyTable();  // the defaults

    std::uint32_t value(int position) const { return values_.at(position); }
    void set_value(int position, std::uint32_t packed) { values_.at(position) = packed; }
    const std::array<std::uint32_t, kHotKeyCount>& values() const { return values_; }

    // Defaults first, then each stored value that exists and reads as a
    // number replaces its default.
    void Load();
    // Writes all six values. False when the settings could not be written.
    bool Save() const;

private:
    std::array<std::uint32_t, kHotKeyCount> values_{};
};

}  // namespace kivo::core
