// Which line devices the program offers, in device-number order:
//   0   the demo line (always), controlled through DefaultLineSocketPath();
//   1.. the SIP lines of the user's configuration: the local line when it is
//       switched on, then one line per account.
// The configuration is the file "telephony.conf" in $XDG_CONFIG_HOME/kivo
// (~/.config/kivo); see docs/telephony.md for its keys. A missing or
// unreadable file gives the demo line alone.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "kivo/telephony/tapi_library.h"

namespace kivo::telephony {

struct SipLineSettings {
    std::string name;               // shown in the line list
    bool local = false;             // the local line: no registration
    std::string listen_address;     // local line: where it listens (127.0.0.1 by default)
    int port = 5070;                // local line: SIP port (UDP and TCP); account: the port
                                    // of the registrar or proxy, 0 for the transport's own
    std::string user;               // account: user name
    std::string domain;             // account: SIP domain, where the account registers
    std::string proxy;              // account: outbound proxy, empty for the domain
    std::string transport = "udp";  // udp, tcp or tls
    std::string tls_ca_file;        // TLS: the authorities to trust (a PBX's own); empty:
                                    // the system's
    int ring_period_ms = 4000;
};

struct LineConfiguration {
    int demo_ring_period_ms = 4000;
    std::vector<SipLineSettings> sip_lines;
};

// The most of a configuration file that is read; a longer file is not
// rewritten by the account dialog (its tail would be lost).
inline constexpr std::size_t kMaxLineConfigurationBytes = 64 * 1024;

// Reads the configuration text (INI sections [demo], [local], [account NAME]).
// Unknown keys and malformed lines are skipped. An account without a port
// uses the transport's own (5060, or 5061 for TLS).
LineConfiguration ParseLineConfiguration(const std::string& text);
// The accounts of a configuration text, in file order (no local line).
std::vector<SipLineSettings> ParseAccounts(const std::string& text);
// The text with its [account ...] sections replaced by `accounts`, written
// after everything else; every other line (comments, [demo], [local]) is
// kept as it was. No password is ever written. The settings must have
// passed ValidateAccount (account_validation.h): a name or value holding a
// line break would otherwise break the file.
std::string WithAccounts(const std::string& text, const std::vector<SipLineSettings>& accounts);
std::string LineConfigurationPath();

// The directory the flat interface uses: the demo line, then the SIP lines
// of the configuration file (read when the library starts).
LineDirectory ConfiguredLineDirectory();

}  // namespace kivo::telephony
