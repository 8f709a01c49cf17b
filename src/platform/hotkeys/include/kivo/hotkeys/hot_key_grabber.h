// One way of receiving hot keys: global grabs on X11, application shortcuts
// elsewhere, a fake in tests. A grabber knows keys by an identifier and
// reports a pressed key by calling the activated handler with it.
#pragma once

#include <functional>
#include <utility>

#include "kivo/hotkeys/hot_key.h"

namespace kivo::hotkeys {

class HotKeyGrabber {
public:
    using ActivatedHandler = std::function<void(int id)>;

    virtual ~HotKeyGrabber() = default;

    // Starts listening for key under id. False when the key cannot be had: it
    // has no mapping, or the system refuses it (another program holds it).
    // The id must not be grabbed already.
    virtual bool grab(int id, HotKey key) = 0;
    // Stops listening for id; nothing happens when it isn't grabbed.
    virtual void ungrab(int id) = 0;
    // True when keys arrive while another program has the focus.
    virtual bool isGlobal() const = 0;

    void setActivatedHandler(ActivatedHandler handler) { handler_ = std::move(handler); }

protected:
    void reportActivated(int id) {
        if (handler_) {
            handler_(id);
        }
    }

private:
    ActivatedHandler handler_;
};

}  // namespace kivo::hotkeys
