// The telephony error box's text (see telephony_error_text.h).
#include "kivo/phone/telephony_error_text.h"

namespace kivo::phone {

int TelephonyErrorGroup(int status) {
    if (status <= 59)
        return 310;
    if (status < 80)
        return 320;
    if (status <= 99)
        return 330;
    if (status < 140)
        return 340;
    if (status < 160)
        return 350;
    if (status < 180)
        return 360;
    if (status < 200)
        return 370;
    if (status < 220)
        return 380;
    if (status <= 221)
        return 390;
    return 999;
}

std::string TelephonyErrorText(int status) {
    return "Failed : Return Code = " + std::to_string(TelephonyErrorGroup(status)) +
           " Reason Code = " + std::to_string(status);
}

}  // namespace kivo::phone
