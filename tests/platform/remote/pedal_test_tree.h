// A made-up sysfs and /dev tree for the pedal tests: hidraw entries with a
// uevent file each, and device nodes that are FIFOs the test writes reports
// into.
#pragma once

#include <filesystem>
#include <string>

#include "file_bytes.h"

namespace kivo::test {

inline constexpr char kPedalUevent[] =
    "DRIVER=hid-generic\nHID_ID=0003:000005F3:000000FF\nHID_NAME=VEC  VEC USB Footpedal\n";
inline constexpr char kKeyboardUevent[] =
    "DRIVER=hid-generic\nHID_ID=0003:0000046D:0000C31C\nHID_NAME=Logitech USB Keyboard\n";

// Adds sysfs/class/hidraw/<name>/device/uevent with the given text.
inline void AddHidraw(const std::filesystem::path& sysfs, const std::string& name,
                      const std::string& uevent) {
    const std::filesystem::path device = sysfs / "class" / "hidraw" / name / "device";
    std::filesystem::create_directories(device);
    WriteFileText((device / "uevent").string(), uevent);
}

}  // namespace kivo::test
