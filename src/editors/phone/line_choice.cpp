// Listing the line devices (see line_choice.h).
#include "kivo/phone/line_choice.h"

#include <algorithm>

#include "kivo/telephony/simulated_line.h"

namespace kivo::phone {
namespace {

void ClearRows(void* context) {
    static_cast<std::vector<LineDevice>*>(context)->clear();
}

void AddRow(void* context, std::uint32_t device, const char* name) {
    static_cast<std::vector<LineDevice>*>(context)->push_back(
        {device, name == nullptr ? std::string() : std::string(name)});
}

}  // namespace

LineListing ListLineDevices(telephony::TapiLibrary& library) {
    LineListing listing;
    TapiStatus& status = library.status();
    const std::uint32_t device = status.deviceId;
    if (status.tapiInitialized == 0) {
        library.Init();
        if (status.status > 0) {
            listing.status = status.status;
            status.deviceId = device;
            return listing;
        }
    }
    listing = ListInitialisedLineDevices(library);
    status.deviceId = device;
    library.Close();
    return listing;
}

LineListing ListInitialisedLineDevices(telephony::TapiLibrary& library) {
    LineListing listing;
    const std::uint32_t device = library.status().deviceId;
    const Zn2TapiDeviceList list{&listing.devices, &ClearRows, &AddRow};
    const int listed = library.ListDev(&list);
    if (listed > 0)
        listing.status = listed;
    library.status().deviceId = device;
    return listing;
}

bool HasNetworkLine(const std::vector<LineDevice>& devices) {
    return std::any_of(devices.begin(), devices.end(), [](const LineDevice& line) {
        return line.name != telephony::SimulatedLine::kDefaultName;
    });
}

}  // namespace kivo::phone
