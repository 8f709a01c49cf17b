// Finds foot pedals among the hidraw devices: each /sys/class/hidraw/<name>
// has a device/uevent file whose HID_ID line names bus, vendor and product
// ("HID_ID=0003:000005F3:000000FF"); the device node is /dev/<name>. Both
// roots are parameters so tests can use a made-up tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kivo::pedal {

inline constexpr std::uint16_t kPedalVendorId = 0x05F3;
inline constexpr std::uint16_t kPedalProductId = 0x00FF;

struct HidId {
    std::uint32_t bus = 0;
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
};

// The HID_ID line of a uevent text; nothing when it is missing or malformed.
std::optional<HidId> ParseHidId(std::string_view uevent);

// Device nodes (dev_root / "hidrawN") of the pedals present, in device
// number order. An unreadable or missing tree gives an empty list.
std::vector<std::filesystem::path> FindPedalDevices(
    const std::filesystem::path& sysfs_root = "/sys",
    const std::filesystem::path& dev_root = "/dev");

}  // namespace kivo::pedal
