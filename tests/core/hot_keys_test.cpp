// Hot keys: packing, the Ctrl rule and storage in the user's settings.
#include "kivo/core/hot_keys.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <Qt>

#include "temp_dir.h"

namespace kivo::core {
namespace {

TEST(HotKeys, DefaultsAreTheSixCtrlKeys) {
    HotKeyTable table;
    EXPECT_EQ(table.value(0), 0x228u);  // Ctrl+Down: rewind
    EXPECT_EQ(table.value(1), 0x226u);
    EXPECT_EQ(table.value(2), 0x225u);
    EXPECT_EQ(table.value(3), 0x221u);
    EXPECT_EQ(table.value(4), 0x222u);
    EXPECT_EQ(table.value(5), 0x227u);
    EXPECT_STREQ(HotKeyActions()[1].label, "Rewind 2 seconds");
    EXPECT_EQ(HotKeyActions()[5].identifier, 10315);
    EXPECT_EQ(DescribeHotKey(table.value(0)), "Ctrl+Down");
}

TEST(HotKeys, CombinationsWithoutCtrlGetCtrlInstead) {
    EXPECT_EQ(RequireCtrl(PackHotKey(kVkDown, kHotKeyShift)), PackHotKey(kVkDown, kHotKeyCtrl));
    EXPECT_EQ(RequireCtrl(PackHotKey(kVkDown, 0)), PackHotKey(kVkDown, kHotKeyCtrl));
    EXPECT_EQ(RequireCtrl(PackHotKey(kVkDown, kHotKeyShift | kHotKeyAlt)),
              PackHotKey(kVkDown, kHotKeyCtrl));
    const std::uint32_t ctrl_shift = PackHotKey(kVkDown, kHotKeyCtrl | kHotKeyShift);
    EXPECT_EQ(RequireCtrl(ctrl_shift), ctrl_shift);
    EXPECT_EQ(WithoutExtendedFlag(PackHotKey(kVkDown, kHotKeyCtrl | kHotKeyExtended)), 0x228u);
}

TEST(HotKeys, VirtualKeysMapToQtKeysAndBack) {
    EXPECT_EQ(QtKeyFromVirtualKey(kVkPageUp), Qt::Key_PageUp);
    EXPECT_EQ(QtKeyFromVirtualKey('A'), Qt::Key_A);
    EXPECT_EQ(QtKeyFromVirtualKey(0x70), Qt::Key_F1);
    for (std::uint32_t vk : {0x21u, 0x28u, 0x41u, 0x35u, 0x7Bu}) {
        auto qt = QtKeyFromVirtualKey(vk);
        ASSERT_TRUE(qt.has_value());
        EXPECT_EQ(VirtualKeyFromQtKey(*qt), vk);
    }
    EXPECT_FALSE(QtKeyFromVirtualKey(0xFF).has_value());
}

TEST(HotKeys, SavedValuesLoadBackAndUnreadableOnesKeepDefaults) {
    test::TempDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.path().string()));
    HotKeyTable table;
    table.set_value(3, PackHotKey('P', kHotKeyCtrl | kHotKeyAlt));
    ASSERT_TRUE(table.Save());
    {
        QSettings settings("Brellan Works", "KIVO");
        settings.setValue("HotKey05", "not a number");
    }
    HotKeyTable loaded;
    loaded.Load();
    EXPECT_EQ(loaded.value(3), PackHotKey('P', kHotKeyCtrl | kHotKeyAlt));
    EXPECT_EQ(loaded.value(4), 0x222u);
}

}  // namespace
}  // namespace kivo::core
