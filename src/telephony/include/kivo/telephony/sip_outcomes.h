// How the end of a SIP call becomes the disconnect mode of the line
// interface, and so the host's messages and status codes. One table, also
// in docs/telephony.md:
//
//   SIP outcome (liblinphone reason, response)       disconnect mode   host sees
//   normal end, BYE or CANCEL (none)                  NORMAL            disconnected
//   486 Busy Here, 600 Busy Everywhere                BUSY              disconnected, busy
//   603 Decline                                       REJECT            disconnected
//   480/487 not answered                              NOANSWER          disconnected
//   404 Not Found, 484 Address Incomplete, 301, 410   BADADDRESS        disconnected
//   408 no response, 503 / transport error (IOError),
//     504 Server Timeout, 401/403 refused             NODIALTONE        disconnected, failed
//   480 Temporarily Unavailable, 502 Bad Gateway      UNAVAIL           disconnected
//   488/415/606 media not acceptable                  INCOMPATIBLE      disconnected
//   anything else                                     UNKNOWN           disconnected
#pragma once

#include <cstdint>

namespace kivo::telephony {

// `reason` is a LinphoneReason value.
std::uint32_t SipDisconnectMode(int reason);

}  // namespace kivo::telephony
