// The six playback hot keys of the playback window. registerKeys() keeps the
// rule of RegisterPlaybackHotKeys: it drops the six keys, then takes the keys
// of the table in order; on the first key that cannot be had it drops all six
// again and returns that key's position (1 to 6); on success it returns 0.
// Key N (from "HotKey0N") emits activated(N), which is also playback command N.
//
//   PlaybackHotKeys hot_keys(CreatePlatformHotKeyGrabber(&dialog));
//   kivo::core::HotKeyTable table;
//   table.Load();
//   const int failed = RegisterPlaybackHotKeys(hot_keys, table.values());
//   connect(&hot_keys, &PlaybackHotKeys::activated, &dialog, &Dialog::runCommand);
#pragma once

#include <QObject>
#include <memory>
#include <optional>

#include "kivo/hotkeys/hot_key.h"
#include "kivo/hotkeys/hot_key_grabber.h"

namespace kivo::hotkeys {

class PlaybackHotKeys : public QObject {
    Q_OBJECT

public:
    explicit PlaybackHotKeys(std::unique_ptr<HotKeyGrabber> grabber, QObject* parent = nullptr);
    ~PlaybackHotKeys() override;

    // 0 when all six keys are registered, else the failing position 1-6 with
    // none registered. A key equal to an earlier one in the table fails, as the
    // system refuses a hot key that is already taken.
    int registerKeys(const PlaybackHotKeyTable& table);
    void unregisterAll();
    bool isGlobal() const { return grabber_->isGlobal(); }

signals:
    // position: 1 "Rewind" ... 6 "Play from the next mark".
    void activated(int position);

private:
    std::unique_ptr<HotKeyGrabber> grabber_;
};

// The playback window's registration: see PlaybackHotKeys::registerKeys. The
// caller passes the table freshly loaded from the settings.
int RegisterPlaybackHotKeys(PlaybackHotKeys& hot_keys, const PlaybackHotKeyTable& table);

// Global grabs when the program runs on X11, otherwise application shortcuts
// on shortcut_owner (a QWidget or QWindow, normally the playback window).
std::unique_ptr<HotKeyGrabber> CreatePlatformHotKeyGrabber(QObject* shortcut_owner);

// Position 1-6 for a hot-key identifier 10310-10315, nothing otherwise.
std::optional<int> PlaybackHotKeyPosition(int id);

}  // namespace kivo::hotkeys
