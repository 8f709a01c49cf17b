// The stored hot-key values, the key tables, the X11 modifier variants and the
// all-or-nothing registration of the six playback keys.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <map>
#include <set>

#include "kivo/hotkeys/hot_key.h"
#include "kivo/hotkeys/playback_hot_keys.h"
#include "kivo/hotkeys/virtual_keys.h"
#include "shortcut_hot_key_grabber.h"
#include "x11_modifiers.h"

// X's macros (None, KeyPress ...) clash with Qt's names: last.
#include <X11/X.h>

namespace kivo::hotkeys {
namespace {

constexpr PlaybackHotKeyTable kDefaults = {0x228, 0x226, 0x225, 0x221, 0x222, 0x227};

TEST(HotKeyValue, DefaultsDecodeToCtrlAndTheirKeys) {
    EXPECT_EQ(DecodeHotKey(0x228), (HotKey{0x28, kHotKeyControl}));
    EXPECT_EQ(HotKeyText(DecodeHotKey(0x228)), "Ctrl+Down");
    EXPECT_EQ(HotKeyText(DecodeHotKey(0x221)), "Ctrl+PgUp");
    EXPECT_EQ(HotKeyText(DecodeHotKey(0x222)), "Ctrl+PgDown");
}

TEST(HotKeyValue, ExtendedFlagAndUnusedBitsAreIgnored) {
    EXPECT_EQ(DecodeHotKey(0x0A28), DecodeHotKey(0x0228));       // extended flag 0x08
    EXPECT_EQ(DecodeHotKey(0xFFFF0228u), DecodeHotKey(0x0228));  // bits 16-31
    EXPECT_EQ(DecodeHotKey(0xF728), (HotKey{0x28, 0x07}));       // unknown modifier bits
}

TEST(HotKeyValue, PackingRoundTripsEveryModifierCombination) {
    for (std::uint8_t modifiers = 0; modifiers < 8; ++modifiers) {
        const HotKey key{0x41, modifiers};
        EXPECT_EQ(DecodeHotKey(PackHotKey(key)), key);
        EXPECT_EQ(PackHotKey(key), 0x41u | (std::uint32_t{modifiers} << 8));
    }
}

TEST(VirtualKeys, EveryMappedKeyRoundTripsThroughAKeySequence) {
    int mapped = 0;
    for (int vk = 0; vk < 256; ++vk) {
        const HotKey key{static_cast<std::uint8_t>(vk), kHotKeyControl | kHotKeyShift};
        const std::optional<QKeySequence> sequence = KeySequenceForHotKey(key);
        if (!sequence) {
            continue;
        }
        ++mapped;
        EXPECT_EQ(HotKeyForKeyCombination((*sequence)[0]), key) << "virtual key " << vk;
        EXPECT_NE(FindVirtualKey(key.virtual_key)->x_keysym, 0u) << "virtual key " << vk;
    }
    EXPECT_GT(mapped, 100);  // letters, digits, keypad, F1-F24, arrows, ...
}

TEST(VirtualKeys, KeypadAndMainKeysStayApart) {
    const auto keypad_minus = HotKeyForKeyCombination(
        QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus));
    const auto main_minus =
        HotKeyForKeyCombination(QKeyCombination(Qt::ControlModifier, Qt::Key_Minus));
    ASSERT_TRUE(keypad_minus && main_minus);
    EXPECT_EQ(keypad_minus->virtual_key, 0x6D);
    EXPECT_EQ(main_minus->virtual_key, 0xBD);
}

TEST(VirtualKeys, UnmappedKeysAndMetaHaveNoHotKey) {
    EXPECT_FALSE(KeySequenceForHotKey(HotKey{0x00, kHotKeyControl}));
    EXPECT_FALSE(KeySequenceForHotKey(HotKey{0x01, kHotKeyControl}));  // left mouse button
    EXPECT_EQ(HotKeyText(HotKey{0xFF, kHotKeyControl}), "");
    EXPECT_FALSE(HotKeyForKeyCombination(QKeyCombination(Qt::MetaModifier, Qt::Key_Down)));
}

TEST(X11Modifiers, StoredFlagsBecomeXMasks) {
    EXPECT_EQ(X11ModifierMask(kHotKeyControl), ControlMask);
    EXPECT_EQ(X11ModifierMask(kHotKeyShift | kHotKeyControl | kHotKeyAlt),
              ShiftMask | ControlMask | Mod1Mask);
    EXPECT_EQ(X11ModifierMask(0), 0);
}

TEST(X11Modifiers, EachKeyIsGrabbedWithAndWithoutCapsLockAndNumLock) {
    EXPECT_EQ(
        GrabModifierVariants(ControlMask, Mod2Mask),
        (std::vector<std::uint16_t>{ControlMask, ControlMask | LockMask, ControlMask | Mod2Mask,
                                    ControlMask | LockMask | Mod2Mask}));
    // A server without Num Lock: no duplicate grabs.
    EXPECT_EQ(GrabModifierVariants(ControlMask, 0),
              (std::vector<std::uint16_t>{ControlMask, ControlMask | LockMask}));
}

TEST(X11Modifiers, LocksAndPointerButtonsDoNotCountWhenMatching) {
    EXPECT_EQ(SignificantModifiers(ControlMask | LockMask | Mod2Mask | Button1Mask, Mod2Mask),
              ControlMask);
    EXPECT_EQ(SignificantModifiers(ControlMask | Mod2Mask, 0), ControlMask | Mod2Mask);
}

// Grabs keys in memory; refuses the keys in `refused`, as the system refuses
// a key another program holds.
class FakeGrabber : public HotKeyGrabber {
public:
    explicit FakeGrabber(std::set<std::uint32_t> refused = {}) : refused_(std::move(refused)) {}

    bool grab(int id, HotKey key) override {
        EXPECT_EQ(grabbed.count(id), 0u) << "grabbed twice: " << id;
        if (refused_.count(PackHotKey(key))) {
            return false;
        }
        grabbed[id] = key;
        ++grab_calls;
        return true;
    }
    void ungrab(int id) override { grabbed.erase(id); }
    bool isGlobal() const override { return true; }
    void press(int id) { reportActivated(id); }

    std::map<int, HotKey> grabbed;
    int grab_calls = 0;

private:
    std::set<std::uint32_t> refused_;
};

TEST(RegisterPlaybackHotKeys, AllSixRegisteredUnderTheirIdentifiers) {
    auto grabber = std::make_unique<FakeGrabber>();
    FakeGrabber* fake = grabber.get();
    PlaybackHotKeys hot_keys(std::move(grabber));
    EXPECT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
    ASSERT_EQ(fake->grabbed.size(), 6u);
    EXPECT_EQ(fake->grabbed.at(10310), DecodeHotKey(0x228));
    EXPECT_EQ(fake->grabbed.at(10315), DecodeHotKey(0x227));
}

TEST(RegisterPlaybackHotKeys, RefusedKeyReturnsItsPositionAndLeavesNoneRegistered) {
    auto grabber = std::make_unique<FakeGrabber>(std::set<std::uint32_t>{0x221});  // Ctrl+Page Up
    FakeGrabber* fake = grabber.get();
    PlaybackHotKeys hot_keys(std::move(grabber));
    EXPECT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 4);
    EXPECT_TRUE(fake->grabbed.empty());
    EXPECT_EQ(fake->grab_calls, 3);  // stopped at the failing key
}

TEST(RegisterPlaybackHotKeys, FirstAndLastPositionsAreReportedAsOneAndSix) {
    PlaybackHotKeys first(std::make_unique<FakeGrabber>(std::set<std::uint32_t>{0x228}));
    EXPECT_EQ(RegisterPlaybackHotKeys(first, kDefaults), 1);
    PlaybackHotKeys last(std::make_unique<FakeGrabber>(std::set<std::uint32_t>{0x227}));
    EXPECT_EQ(RegisterPlaybackHotKeys(last, kDefaults), 6);
}

TEST(RegisterPlaybackHotKeys, KeyRepeatedInTheTableFailsAtItsSecondPlace) {
    auto grabber = std::make_unique<FakeGrabber>();
    FakeGrabber* fake = grabber.get();
    PlaybackHotKeys hot_keys(std::move(grabber));
    PlaybackHotKeyTable table = kDefaults;
    table[4] = 0x0A26;  // Ctrl+Up again (with the extended flag): same key as position 2
    EXPECT_EQ(RegisterPlaybackHotKeys(hot_keys, table), 5);
    EXPECT_TRUE(fake->grabbed.empty());
}

TEST(RegisterPlaybackHotKeys, RegisteringAgainReplacesTheKeys) {
    auto grabber = std::make_unique<FakeGrabber>();
    FakeGrabber* fake = grabber.get();
    PlaybackHotKeys hot_keys(std::move(grabber));
    ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
    PlaybackHotKeyTable changed = kDefaults;
    changed[0] = 0x0270;  // Ctrl+F1
    ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, changed), 0);
    EXPECT_EQ(fake->grabbed.at(10310), DecodeHotKey(0x0270));
    EXPECT_EQ(fake->grabbed.size(), 6u);
}

TEST(RegisterPlaybackHotKeys, PressedKeyEmitsItsPosition) {
    auto grabber = std::make_unique<FakeGrabber>();
    FakeGrabber* fake = grabber.get();
    PlaybackHotKeys hot_keys(std::move(grabber));
    ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
    QSignalSpy activated(&hot_keys, &PlaybackHotKeys::activated);
    fake->press(10311);
    fake->press(10315);
    fake->press(4242);  // not one of ours
    ASSERT_EQ(activated.count(), 2);
    EXPECT_EQ(activated[0][0].toInt(), 2);
    EXPECT_EQ(activated[1][0].toInt(), 6);
}

TEST(ShortcutHotKeys, KeysWorkAsApplicationShortcutsOfTheWindow) {
    QWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PlaybackHotKeys hot_keys(std::make_unique<ShortcutHotKeyGrabber>(&window));
    EXPECT_FALSE(hot_keys.isGlobal());
    ASSERT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 0);
    QSignalSpy activated(&hot_keys, &PlaybackHotKeys::activated);
    QTest::keyClick(&window, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Up);  // without Ctrl: not a hot key
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated[0][0].toInt(), 2);

    hot_keys.unregisterAll();
    QTest::keyClick(&window, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(activated.count(), 1);
}

TEST(ShortcutHotKeys, KeyWithoutAMappingIsRefused) {
    QWindow window;
    PlaybackHotKeys hot_keys(std::make_unique<ShortcutHotKeyGrabber>(&window));
    PlaybackHotKeyTable table = kDefaults;
    table[2] = 0x0207;  // virtual key 7 is undefined
    EXPECT_EQ(RegisterPlaybackHotKeys(hot_keys, table), 3);
}

TEST(ShortcutHotKeys, WithoutAWindowNoKeyCanBeHad) {
    PlaybackHotKeys hot_keys(std::make_unique<ShortcutHotKeyGrabber>(nullptr));
    EXPECT_EQ(RegisterPlaybackHotKeys(hot_keys, kDefaults), 1);
}

}  // namespace
}  // namespace kivo::hotkeys
