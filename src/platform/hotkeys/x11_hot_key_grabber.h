// Global hot keys on X11: passive key grabs on the root window of the
// program's own display connection (from QNativeInterface::QX11Application),
// read back through a native event filter before Qt sees the key.
//
// Grabs are made with the checked XCB form of XGrabKey, so a key another
// client already holds is reported at once (BadAccess) instead of as a stray
// error later; this is what lets registration stop at the failing key.
#pragma once

#include <QAbstractNativeEventFilter>
#include <map>
#include <memory>
#include <vector>

#include "kivo/hotkeys/hot_key_grabber.h"

typedef struct _XDisplay Display;
struct xcb_connection_t;

namespace kivo::hotkeys {

class X11HotKeyGrabber : public HotKeyGrabber, public QAbstractNativeEventFilter {
public:
    // nullptr unless the application runs on the xcb platform.
    static std::unique_ptr<X11HotKeyGrabber> create();
    ~X11HotKeyGrabber() override;

    bool grab(int id, HotKey key) override;
    void ungrab(int id) override;
    bool isGlobal() const override { return true; }

    bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t modifiers;              // the base mask, locks excluded
        std::vector<std::uint16_t> variants;  // masks actually grabbed
    };

    X11HotKeyGrabber(Display* display, xcb_connection_t* connection);
    std::uint16_t findNumLockMask() const;
    void ungrabVariants(std::uint8_t keycode, const std::vector<std::uint16_t>& variants);

    Display* display_;
    xcb_connection_t* connection_;
    std::uint32_t root_window_;
    std::uint16_t num_lock_mask_;
    std::map<int, Grab> grabs_;
};

}  // namespace kivo::hotkeys
