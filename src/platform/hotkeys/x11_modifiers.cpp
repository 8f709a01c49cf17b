// Modifier masks for global grabs on X11.
#include "x11_modifiers.h"

#include <X11/X.h>

#include <algorithm>

#include "kivo/hotkeys/hot_key.h"

namespace kivo::hotkeys {
namespace {

// Shift, Lock, Control and Mod1-Mod5; the bits above are pointer buttons.
constexpr std::uint16_t kKeyboardModifierBits = 0xFF;

}  // namespace

std::uint16_t X11ModifierMask(std::uint8_t hot_key_modifiers) {
    std::uint16_t mask = 0;
    if (hot_key_modifiers & kHotKeyShift) {
        mask |= ShiftMask;
    }
    if (hot_key_modifiers & kHotKeyControl) {
        mask |= ControlMask;
    }
    if (hot_key_modifiers & kHotKeyAlt) {
        mask |= Mod1Mask;
    }
    return mask;
}

std::vector<std::uint16_t> GrabModifierVariants(std::uint16_t base_mask,
                                                std::uint16_t num_lock_mask) {
    const std::uint16_t locks[] = {0, LockMask, num_lock_mask,
                                   static_cast<std::uint16_t>(LockMask | num_lock_mask)};
    std::vector<std::uint16_t> variants;
    for (std::uint16_t lock : locks) {
        const auto variant = static_cast<std::uint16_t>(base_mask | lock);
        if (std::find(variants.begin(), variants.end(), variant) == variants.end()) {
            variants.push_back(variant);
        }
    }
    return variants;
}

std::uint16_t SignificantModifiers(std::uint16_t event_state, std::uint16_t num_lock_mask) {
    return static_cast<std::uint16_t>(event_state & kKeyboardModifierBits &
                                      ~(LockMask | num_lock_mask));
}

}  // namespace kivo::hotkeys
