// Packing of the stored hot-key values.
#include "kivo/hotkeys/hot_key.h"

namespace kivo::hotkeys {
namespace {

constexpr std::uint8_t kKnownModifiers = kHotKeyShift | kHotKeyControl | kHotKeyAlt;

}  // namespace

HotKey DecodeHotKey(std::uint32_t packed) {
    HotKey key;
    key.virtual_key = static_cast<std::uint8_t>(packed & 0xFF);
    key.modifiers = static_cast<std::uint8_t>((packed >> 8) & kKnownModifiers);
    return key;
}

std::uint32_t PackHotKey(HotKey key) {
    return static_cast<std::uint32_t>(key.virtual_key) |
           (static_cast<std::uint32_t>(key.modifiers & kKnownModifiers) << 8);
}

}  // namespace kivo::hotkeys
