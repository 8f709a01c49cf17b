// Global hot keys on a real X server (Xvfb in the test run): keys pressed with
// xdotool reach the playback hot keys whatever window has the focus and with
// Caps Lock or Num Lock on; a key another client holds makes the
// registration fail at its position and leaves every key free.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QSignalSpy>
#include <QStandardPaths>

#include "kivo/hotkeys/playback_hot_keys.h"
#include "remote_test_helpers.h"

// Xlib's macros clash with Qt's names: last.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace kivo::hotkeys {
namespace {

constexpr PlaybackHotKeyTable kDefaults = {0x228, 0x226, 0x225, 0x221, 0x222, 0x227};

bool g_grab_refused = false;

int RecordRefusal(Display*, XErrorEvent* error) {
    g_grab_refused = error->error_code == BadAccess;
    return 0;
}

// A second client on the same display, as another program would be.
class OtherClient {
public:
    OtherClient() : display_(XOpenDisplay(nullptr)) {}
    ~OtherClient() {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    bool connected() const { return display_ != nullptr; }

    // True when the server let this client grab keysym with Ctrl.
    bool grabCtrl(KeySym keysym) {
        const KeyCode code = XKeysymToKeycode(display_, keysym);
        g_grab_refused = false;
        XErrorHandler previous = XSetErrorHandler(RecordRefusal);
        XGrabKey(display_, code, ControlMask, DefaultRootWindow(display_), True, GrabModeAsync,
                 GrabModeAsync);
        XSync(display_, False);
        XSetErrorHandler(previous);
        return !g_grab_refused;
    }

private:
    Display* display_;
};

class X11HotKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "needs an X server (run through xvfb-run)";
        }
        xdotool_ = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        ASSERT_FALSE(xdotool_.isEmpty()) << "xdotool is not installed (scripts/install-deps.sh)";
    }

    void Press(const QStringList& keys) {
        const auto outcome = kivo::test::RunServingEvents(
            xdotool_,
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20")} +
                keys);
        ASSERT_EQ(outcome.exit_code, 0) << outcome.standard_error.toStdString();
    }

    QString xdotool_;
};

TEST_F(X11HotKeys, PressedKeysReachThePlaybackHotKeys) {
    PlaybackHotKeys hot_keys(CreatePlatformHotKeyGrabber(nullptr));
    ASSERT_TRUE(hot_keys.isGlobal());
    ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
    QSignalSpy activated(&hot_keys, &PlaybackHotKeys::activated);

    Press({QStringLiteral("ctrl+Up"), QStringLiteral("ctrl+Next")});
    ASSERT_TRUE(kivo::test::WaitUntil([&] { return activated.count() >= 2; }));
    EXPECT_EQ(activated[0][0].toInt(), 2);  // Ctrl+Up: rewind 2 seconds
    EXPECT_EQ(activated[1][0].toInt(), 5);  // Ctrl+Page Down: stop
}

TEST_F(X11HotKeys, KeysWorkWithCapsLockAndNumLockOn) {
    PlaybackHotKeys hot_keys(CreatePlatformHotKeyGrabber(nullptr));
    ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
    QSignalSpy activated(&hot_keys, &PlaybackHotKeys::activated);

    Press({QStringLiteral("Caps_Lock"), QStringLiteral("ctrl+Down"), QStringLiteral("Caps_Lock")});
    Press({QStringLiteral("Num_Lock"), QStringLiteral("ctrl+Right"), QStringLiteral("Num_Lock")});
    ASSERT_TRUE(kivo::test::WaitUntil([&] { return activated.count() >= 2; }));
    EXPECT_EQ(activated[0][0].toInt(), 1);
    EXPECT_EQ(activated[1][0].toInt(), 6);
}

TEST_F(X11HotKeys, KeyHeldByAnotherProgramFailsAtItsPositionAndFreesTheRest) {
    OtherClient other;
    ASSERT_TRUE(other.connected());
    ASSERT_TRUE(other.grabCtrl(XK_Prior));  // Ctrl+Page Up, HotKey04

    PlaybackHotKeys hot_keys(CreatePlatformHotKeyGrabber(nullptr));
    EXPECT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 4);
    // Keys 1-3 were taken and given back: the other program can have them.
    EXPECT_TRUE(other.grabCtrl(XK_Down));
    EXPECT_TRUE(other.grabCtrl(XK_Left));
}

TEST_F(X11HotKeys, KeysAreReleasedWhenTheWindowCloses) {
    OtherClient other;
    ASSERT_TRUE(other.connected());
    {
        PlaybackHotKeys hot_keys(CreatePlatformHotKeyGrabber(nullptr));
        ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
        EXPECT_FALSE(other.grabCtrl(XK_Up));
    }
    EXPECT_TRUE(other.grabCtrl(XK_Up));
}

}  // namespace
}  // namespace kivo::hotkeys
