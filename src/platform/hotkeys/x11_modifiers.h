// Modifier masks for global grabs on X11. A passive key grab matches only the
// exact modifier state, so each hot key is grabbed four times: as stored, with
// Caps Lock, with Num Lock and with both; an arriving key press is matched
// with those two locks masked out.
#pragma once

#include <cstdint>
#include <vector>

namespace kivo::hotkeys {

// X modifier mask (ShiftMask, ControlMask, Mod1Mask for Alt) for the stored
// modifier flags (Shift 0x01, Ctrl 0x02, Alt 0x04).
std::uint16_t X11ModifierMask(std::uint8_t hot_key_modifiers);

// The masks to grab for base_mask: without and with Caps Lock (LockMask) and
// Num Lock (num_lock_mask, whichever ModN the server maps Num_Lock to; 0 when
// it has none), each once.
std::vector<std::uint16_t> GrabModifierVariants(std::uint16_t base_mask,
                                                std::uint16_t num_lock_mask);

// The modifier state of a key event without the lock keys and the pointer
// buttons, to compare with a grabbed base mask.
std::uint16_t SignificantModifiers(std::uint16_t event_state, std::uint16_t num_lock_mask);

}  // namespace kivo::hotkeys
