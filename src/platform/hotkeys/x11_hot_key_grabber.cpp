// Global hot keys on X11 through passive grabs on the root window.
#include "x11_hot_key_grabber.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>

#include "kivo/hotkeys/virtual_keys.h"
#include "x11_modifiers.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers: last.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace kivo::hotkeys {
namespace {

constexpr std::uint8_t kEventTypeMask = 0x7F;  // the top bit marks a sent event

}  // namespace

std::unique_ptr<X11HotKeyGrabber> X11HotKeyGrabber::create() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !x11->connection()) {
        return nullptr;
    }
    return std::unique_ptr<X11HotKeyGrabber>(
        new X11HotKeyGrabber(x11->display(), x11->connection()));
}

X11HotKeyGrabber::X11HotKeyGrabber(Display* display, xcb_connection_t* connection)
    : display_(display),
      connection_(connection),
      root_window_(static_cast<std::uint32_t>(DefaultRootWindow(display))),
      num_lock_mask_(findNumLockMask()) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyGrabber::~X11HotKeyGrabber() {
    while (!grabs_.empty()) {
        ungrab(grabs_.begin()->first);
    }
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

std::uint16_t X11HotKeyGrabber::findNumLockMask() const {
    const KeyCode num_lock = XKeysymToKeycode(display_, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display_);
    if (!map) {
        return 0;
    }
    std::uint16_t mask = 0;
    for (int modifier = 0; modifier < 8 && num_lock != 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == num_lock) {
                mask = static_cast<std::uint16_t>(1u << modifier);
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

bool X11HotKeyGrabber::grab(int id, HotKey key) {
    const VirtualKeyInfo* info = FindVirtualKey(key.virtual_key);
    if (!info || grabs_.count(id) != 0) {
        return false;
    }
    const KeyCode keycode = XKeysymToKeycode(display_, info->x_keysym);
    if (keycode == 0) {
        return false;  // the keyboard has no such key
    }
    Grab grab{keycode, X11ModifierMask(key.modifiers), {}};
    for (std::uint16_t variant : GrabModifierVariants(grab.modifiers, num_lock_mask_)) {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(connection_, 1, root_window_, variant, keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            std::free(error);
            ungrabVariants(keycode, grab.variants);
            return false;
        }
        grab.variants.push_back(variant);
    }
    grabs_.emplace(id, std::move(grab));
    return true;
}

void X11HotKeyGrabber::ungrab(int id) {
    const auto found = grabs_.find(id);
    if (found == grabs_.end()) {
        return;
    }
    ungrabVariants(found->second.keycode, found->second.variants);
    grabs_.erase(found);
}

void X11HotKeyGrabber::ungrabVariants(std::uint8_t keycode,
                                      const std::vector<std::uint16_t>& variants) {
    for (std::uint16_t variant : variants) {
        xcb_ungrab_key(connection_, keycode, root_window_, variant);
    }
    // Wait until the server has done it, so that a program taking the key
    // right after us (or our own next registration) finds it free.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool X11HotKeyGrabber::nativeEventFilter(const QByteArray& event_type, void* message, qintptr*) {
    if (event_type != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & kEventTypeMask;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Key press and key release events share one layout.
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    const std::uint16_t modifiers = SignificantModifiers(key->state, num_lock_mask_);
    for (const auto& [id, grab] : grabs_) {
        if (grab.keycode == key->detail && grab.modifiers == modifiers) {
            if (type == XCB_KEY_PRESS) {
                reportActivated(id);
            }
            return true;
        }
    }
    return false;
}

}  // namespace kivo::hotkeys
