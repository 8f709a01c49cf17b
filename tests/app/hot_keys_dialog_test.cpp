// The hot-key field and the Hot Keys dialog: every hot key includes Ctrl, and
// the dialog hands back the keys without the extended-key flag.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "hot_key_edit.h"
#include "hot_keys_dialog.h"

namespace kivo::app {
namespace {

using namespace core;

TEST(HotKeyEdit, ShiftOrAltAloneBecomeCtrl) {
    EXPECT_EQ(HotKeyEdit::ValueOfKeyPress(Qt::Key_Down, Qt::ShiftModifier),
              PackHotKey(kVkDown, kHotKeyCtrl));
    EXPECT_EQ(HotKeyEdit::ValueOfKeyPress(Qt::Key_Left, Qt::AltModifier | Qt::ShiftModifier),
              PackHotKey(kVkLeft, kHotKeyCtrl));
    EXPECT_EQ(HotKeyEdit::ValueOfKeyPress(Qt::Key_PageUp, Qt::NoModifier),
              PackHotKey(kVkPageUp, kHotKeyCtrl));
    EXPECT_EQ(HotKeyEdit::ValueOfKeyPress(Qt::Key_Up, Qt::ControlModifier | Qt::AltModifier),
              PackHotKey(kVkUp, kHotKeyCtrl | kHotKeyAlt));
}

TEST(HotKeyEdit, LoneModifiersAreNotHotKeys) {
    EXPECT_FALSE(HotKeyEdit::ValueOfKeyPress(Qt::Key_Control, Qt::ControlModifier));
    EXPECT_FALSE(HotKeyEdit::ValueOfKeyPress(Qt::Key_Shift, Qt::ShiftModifier));
}

TEST(HotKeyEdit, TypingAKeyShowsAndKeepsIt) {
    HotKeyEdit edit;
    QTest::keyClick(&edit, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(edit.value(), PackHotKey(kVkRight, kHotKeyCtrl));
    EXPECT_EQ(edit.text().toStdString(), DescribeHotKey(PackHotKey(kVkRight, kHotKeyCtrl)));
}

TEST(HotKeysDialog, ShowsTheTableAndHandsItBackWithoutTheExtendedFlag) {
    HotKeyTable table;
    table.set_value(3, PackHotKey(kVkUp, kHotKeyCtrl | kHotKeyExtended));
    HotKeysDialog dialog(table);
    EXPECT_EQ(dialog.windowTitle(), "Kivo Hot Keys Selection");
    EXPECT_EQ(dialog.edit(0)->value(), HotKeyTable().value(0));
    QTest::keyClick(dialog.edit(5), Qt::Key_End, Qt::AltModifier);
    const HotKeyTable chosen = dialog.table();
    EXPECT_EQ(chosen.value(3), PackHotKey(kVkUp, kHotKeyCtrl));
    EXPECT_EQ(HotKeyVirtualKey(chosen.value(5)), 0x23u);
    EXPECT_EQ(HotKeyModifiers(chosen.value(5)), static_cast<std::uint32_t>(kHotKeyCtrl));
}

TEST(HotKeysDialog, InAFieldAltLettersAreHotKeysWhileTabEnterAndF1StayTheDialogs) {
    constexpr std::uint32_t kVkF1 = 0x70;
    HotKeysDialog dialog{HotKeyTable()};
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    HotKeyEdit* stop = dialog.edit(4);
    stop->setFocus();
    QSignalSpy help(&dialog, &HotKeysDialog::helpRequested);

    QTest::keyClick(stop, Qt::Key_S, Qt::AltModifier);  // not Save's Alt+S
    EXPECT_EQ(stop->value(), PackHotKey('S', kHotKeyCtrl));
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(stop, Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(stop->value(), PackHotKey('S', kHotKeyCtrl));
    QTest::keyClick(stop, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(stop->value(), PackHotKey(kVkF1, kHotKeyCtrl));
    EXPECT_EQ(help.count(), 1);
    QTest::keyClick(stop, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.edit(5));
    QTest::keyClick(dialog.edit(5), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.table().value(4), PackHotKey(kVkF1, kHotKeyCtrl));
}

}  // namespace
}  // namespace kivo::app
