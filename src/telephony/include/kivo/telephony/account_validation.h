// Whether the settings of a SIP account can be kept and used: the checks the
// account dialog runs before it saves, each failure a message for the user.
//
// Besides what SIP needs (a user, a host name or address, a port), the
// checks keep the configuration file sound: no value may hold a line break
// or another control character, and a name may not hold ']' (it is written
// as a section header "[account NAME]").
#pragma once

#include <string>
#include <vector>

#include "kivo/telephony/line_configuration.h"

namespace kivo::telephony {

inline constexpr int kMinRingPeriodMs = 500;
inline constexpr int kMaxRingPeriodMs = 30000;
inline constexpr std::size_t kMaxAccountFieldBytes = 255;

// The first problem of `account`, or an empty text when it can be saved.
// `others`: the other accounts (their names must differ from this one's,
// ignoring case).
std::string ValidateAccount(const SipLineSettings& account,
                            const std::vector<SipLineSettings>& others);

// A host name ("sip.example.org") or an IPv4 address, without a port.
bool IsHostName(const std::string& text);

}  // namespace kivo::telephony
