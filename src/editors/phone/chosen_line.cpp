// Finding the chosen line again (see chosen_line.h).
#include "kivo/phone/chosen_line.h"

#include <algorithm>

namespace kivo::phone {
namespace {

const LineDevice* FindDevice(const std::vector<LineDevice>& devices, auto matches) {
    const auto it = std::find_if(devices.begin(), devices.end(), matches);
    return it == devices.end() ? nullptr : &*it;
}

}  // namespace

ChosenLine FindChosenLine(const SavedLineChoice& saved, const std::vector<LineDevice>& devices) {
    if (!saved.device)
        return {};
    const std::uint32_t number = *saved.device;
    const LineDevice* line = nullptr;
    if (saved.name.empty()) {
        line = FindDevice(devices, [&](const LineDevice& d) { return d.device == number; });
    } else {
        line = FindDevice(devices, [&](const LineDevice& d) {
            return d.device == number && d.name == saved.name;
        });
        if (line == nullptr)
            line = FindDevice(devices, [&](const LineDevice& d) { return d.name == saved.name; });
    }
    if (line == nullptr)
        return {ChosenLineState::kGone, {}};
    return {line->device == number ? ChosenLineState::kFound : ChosenLineState::kRenumbered, *line};
}

std::string ChosenLineGoneText(const SavedLineChoice& saved) {
    const std::string which =
        saved.name.empty()
            ? "The line chosen before (device " + std::to_string(saved.device.value_or(0)) + ")"
            : "The line \"" + saved.name + "\" chosen before";
    return which +
           " is no longer set up.\nPhone monitoring has been disabled.\nChoose the line to use "
           "in Modem Selection, which opens now.";
}

}  // namespace kivo::phone
