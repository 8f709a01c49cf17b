// Scanning sysfs for the pedal's hidraw nodes.
#include "kivo/pedal/pedal_device_finder.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>
#include <system_error>

namespace kivo::pedal {
namespace {

constexpr std::string_view kHidIdKey = "HID_ID=";
constexpr std::string_view kHidrawPrefix = "hidraw";
// A uevent file holds a handful of short lines; anything longer is not one.
constexpr std::size_t kMaxUeventBytes = 4096;

std::optional<std::uint32_t> ParseHexField(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(kMaxUeventBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// hidraw3 -> 3; other names -> nothing.
std::optional<unsigned> HidrawNumber(const std::string& name) {
    if (name.rfind(kHidrawPrefix, 0) != 0 || name.size() == kHidrawPrefix.size()) {
        return std::nullopt;
    }
    unsigned number = 0;
    const char* begin = name.data() + kHidrawPrefix.size();
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

std::optional<HidId> ParseHidId(std::string_view uevent) {
    while (!uevent.empty()) {
        const std::size_t line_end = uevent.find('\n');
        std::string_view line = uevent.substr(0, line_end);
        uevent =
            line_end == std::string_view::npos ? std::string_view() : uevent.substr(line_end + 1);
        if (line.substr(0, kHidIdKey.size()) != kHidIdKey) {
            continue;
        }
        line.remove_prefix(kHidIdKey.size());
        const std::size_t first_colon = line.find(':');
        const std::size_t second_colon =
            first_colon == std::string_view::npos ? first_colon : line.find(':', first_colon + 1);
        if (second_colon == std::string_view::npos) {
            return std::nullopt;
        }
        const auto bus = ParseHexField(line.substr(0, first_colon));
        const auto vendor =
            ParseHexField(line.substr(first_colon + 1, second_colon - first_colon - 1));
        const auto product = ParseHexField(line.substr(second_colon + 1));
        if (!bus || !vendor || !product) {
            return std::nullopt;
        }
        return HidId{*bus, *vendor, *product};
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> FindPedalDevices(const std::filesystem::path& sysfs_root,
                                                    const std::filesystem::path& dev_root) {
    std::vector<std::pair<unsigned, std::string>> found;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(sysfs_root / "class" / "hidraw", error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::optional<unsigned> number = HidrawNumber(name);
        if (!number) {
            continue;
        }
        const std::optional<std::string> uevent =
            ReadSmallFile(entry->path() / "device" / "uevent");
        const std::optional<HidId> id = uevent ? ParseHidId(*uevent) : std::nullopt;
        if (id && id->vendor == kPedalVendorId && id->product == kPedalProductId) {
            found.emplace_back(*number, name);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::filesystem::path> nodes;
    for (const auto& [number, name] : found) {
        nodes.push_back(dev_root / name);
    }
    return nodes;
}

}  // namespace kivo::pedal
