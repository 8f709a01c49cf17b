// Choosing the line device the program monitors: the suitable devices of the
// telephony library (the demo line, the local SIP line when switched on, one
// per SIP account), and the plain advice given once to a new user when
// nothing but the demo line is there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/telephony/tapi_library.h"

namespace kivo::phone {

struct LineDevice {
    std::uint32_t device = 0;
    std::string name;
};

struct LineListing {
    int status = 0;  // the library's status when it could not list (error box)
    std::vector<LineDevice> devices;
};

// Lists the suitable line devices in device order. Initialises the library
// for the listing and closes it again; the caller stops monitoring first.
// The library's deviceId is kept.
LineListing ListLineDevices(telephony::TapiLibrary& library);
// The same on a library the caller has initialised, which stays so (a
// line about to be opened is looked up without starting the library twice).
LineListing ListInitialisedLineDevices(telephony::TapiLibrary& library);

// Whether any listed device reaches the telephone network (anything but the
// demo line, which only plays calls made with kivo-line).
bool HasNetworkLine(const std::vector<LineDevice>& devices);

inline constexpr const char* kNoModemsText =
    "No suitable modems were found.\nTo use the phone functionality you must have a voice modem "
    "installed - See the Trouble shooting section in the help";

// Said once, at the first start, when no line reaches the telephone network.
inline constexpr const char* kNoLineAdviceText =
    "Kivo has no telephone line yet, so the answering machine is off.\n\n"
    "To answer real calls, add a SIP account (from your telephone provider or office "
    "PBX) with Phone > Line Settings... and choose it with Phone > Modem Selection.\n\n"
    "To try the answering machine now, choose \"Demo line\" there and ring it with the "
    "kivo-line tool. Help, \"Telephone line and answering machine\", explains both.";

}  // namespace kivo::phone
