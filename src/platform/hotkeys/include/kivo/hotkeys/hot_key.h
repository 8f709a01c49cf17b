// The six playback hot keys as they are stored: one 32-bit value per key,
// "HotKey01" to "HotKey06", packing the Windows virtual-key code in bits 0-7
// and the hot-key control's modifier flags in bits 8-15. Values written by the
// Windows program read unchanged, so settings move between the two.
//
// | bits  | meaning                                                     |
// |-------|-------------------------------------------------------------|
// | 0-7   | virtual-key code (0x28 Down arrow, 0x21 Page Up, 0x41 'A')  |
// | 8-15  | modifiers: Shift 0x01, Ctrl 0x02, Alt 0x04, extended 0x08    |
// | 16-31 | unused, ignored when read                                   |
//
// The table itself (defaults, loading, saving) is the settings' business
// (kivo::core::HotKeyTable); this library registers whatever table it gets.
//
// The extended-key flag only tells the Windows hot-key control which of two
// equal keys was meant; it is cleared before saving and ignored when read.
#pragma once

#include <array>
#include <cstdint>

namespace kivo::hotkeys {

inline constexpr std::uint8_t kHotKeyShift = 0x01;
inline constexpr std::uint8_t kHotKeyControl = 0x02;
inline constexpr std::uint8_t kHotKeyAlt = 0x04;
inline constexpr std::uint8_t kHotKeyExtended = 0x08;

struct HotKey {
    std::uint8_t virtual_key = 0;  // 0: no key
    std::uint8_t modifiers = 0;    // kHotKeyShift | kHotKeyControl | kHotKeyAlt

    bool operator==(const HotKey&) const = default;
};

// Bits 0-7 and the Shift, Ctrl and Alt bits of 8-15; everything else dropped.
HotKey DecodeHotKey(std::uint32_t packed);
std::uint32_t PackHotKey(HotKey key);

inline constexpr int kPlaybackHotKeyCount = 6;
using PlaybackHotKeyTable = std::array<std::uint32_t, kPlaybackHotKeyCount>;

// Identifier of the key at table position p (0-5) is 10310 + p: the control
// identifier of its field in the Hot Keys dialog.
inline constexpr int kFirstPlaybackHotKeyId = 10310;

}  // namespace kivo::hotkeys
