// The text of the telephony error box for a status code of the library:
// "Failed : Return Code = <group> Reason Code = <code>", the group naming the
// range the code falls in (310 up to 59, 320 below 80 ... 390 up to 221,
// 999 above).
#pragma once

#include <string>

namespace kivo::phone {

int TelephonyErrorGroup(int status);
std::string TelephonyErrorText(int status);

}  // namespace kivo::phone
