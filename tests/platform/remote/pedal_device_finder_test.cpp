// Finding pedals among hidraw devices in a made-up sysfs tree.
#include <gtest/gtest.h>

#include "kivo/pedal/pedal_device_finder.h"
#include "pedal_test_tree.h"
#include "temp_dir.h"

namespace kivo::pedal {
namespace {

using kivo::test::AddHidraw;
using kivo::test::kKeyboardUevent;
using kivo::test::kPedalUevent;

TEST(PedalDeviceFinder, ListsOnlyPedalsInDeviceNumberOrder) {
    kivo::test::TempDir dir;
    const auto sysfs = dir.path() / "sys";
    AddHidraw(sysfs, "hidraw0", kKeyboardUevent);
    AddHidraw(sysfs, "hidraw10", kPedalUevent);
    AddHidraw(sysfs, "hidraw3", kPedalUevent);
    AddHidraw(sysfs, "hidrawx", kPedalUevent);  // not a hidraw node name
    std::filesystem::create_directories(sysfs / "class" / "hidraw" / "hidraw5");  // no uevent

    const auto found = FindPedalDevices(sysfs, "/dev");
    EXPECT_EQ(found, (std::vector<std::filesystem::path>{"/dev/hidraw3", "/dev/hidraw10"}));
}

TEST(PedalDeviceFinder, MissingTreeFindsNothing) {
    kivo::test::TempDir dir;
    EXPECT_TRUE(FindPedalDevices(dir.path() / "no-sysfs-here", "/dev").empty());
}

TEST(PedalDeviceFinder, HidIdLineIsReadAnywhereInTheUevent) {
    const auto id = ParseHidId("DRIVER=hid-generic\nHID_ID=0003:000005f3:000000ff\n");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(id->bus, 3u);
    EXPECT_EQ(id->vendor, kPedalVendorId);
    EXPECT_EQ(id->product, kPedalProductId);
}

TEST(PedalDeviceFinder, MalformedHidIdIsNoDevice) {
    for (const char* uevent :
         {"", "HID_NAME=pedal\n", "HID_ID=0003:000005F3\n", "HID_ID=0003:0000000005F3:000000FF\n",
          "HID_ID=0003:05F3:00FG\n", "HID_ID=::\n", "XHID_ID=0003:000005F3:000000FF\n"}) {
        EXPECT_FALSE(ParseHidId(uevent).has_value()) << uevent;
    }
}

}  // namespace
}  // namespace kivo::pedal
