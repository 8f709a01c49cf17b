// Registration of the six playback hot keys with the all-or-nothing rule.
#include "kivo/hotkeys/playback_hot_keys.h"

#include <QGuiApplication>

#include "shortcut_hot_key_grabber.h"
#include "x11_hot_key_grabber.h"

namespace kivo::hotkeys {

PlaybackHotKeys::PlaybackHotKeys(std::unique_ptr<HotKeyGrabber> grabber, QObject* parent)
    : QObject(parent), grabber_(std::move(grabber)) {
    grabber_->setActivatedHandler([this](int id) {
        if (const std::optional<int> position = PlaybackHotKeyPosition(id)) {
            emit activated(*position);
        }
    });
}

PlaybackHotKeys::~PlaybackHotKeys() {
    unregisterAll();
    grabber_->setActivatedHandler(nullptr);
}

int PlaybackHotKeys::registerKeys(const PlaybackHotKeyTable& table) {
    unregisterAll();
    for (int index = 0; index < kPlaybackHotKeyCount; ++index) {
        const HotKey key = DecodeHotKey(table[index]);
        bool taken = false;
        for (int earlier = 0; earlier < index; ++earlier) {
            taken = taken || DecodeHotKey(table[earlier]) == key;
        }
        if (taken || !grabber_->grab(kFirstPlaybackHotKeyId + index, key)) {
            unregisterAll();
            return index + 1;
        }
    }
    return 0;
}

void PlaybackHotKeys::unregisterAll() {
    for (int index = 0; index < kPlaybackHotKeyCount; ++index) {
        grabber_->ungrab(kFirstPlaybackHotKeyId + index);
    }
}

int RegisterPlaybackHotKeys(PlaybackHotKeys& hot_keys, const PlaybackHotKeyTable& table) {
    return hot_keys.registerKeys(table);
}

std::unique_ptr<HotKeyGrabber> CreatePlatformHotKeyGrabber(QObject* shortcut_owner) {
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
        if (std::unique_ptr<HotKeyGrabber> x11 = X11HotKeyGrabber::create()) {
            return x11;
        }
    }
    return std::make_unique<ShortcutHotKeyGrabber>(shortcut_owner);
}

std::optional<int> PlaybackHotKeyPosition(int id) {
    const int position = id - kFirstPlaybackHotKeyId + 1;
    if (position < 1 || position > kPlaybackHotKeyCount) {
        return std::nullopt;
    }
    return position;
}

}  // namespace kivo::hotkeys
