// The checks of an account's settings (see account_validation.h).
#include "kivo/telephony/account_validation.h"

#include <algorithm>
#include <cctype>

#include "kivo/telephony/simulated_line.h"

namespace kivo::telephony {
namespace {

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsLabel(const std::string& label) {
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
        return false;
    }
    return std::all_of(label.begin(), label.end(), [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '-' || c == '_';
    });
}

// A user part of a SIP address: letters, digits and the unreserved marks,
// nothing that would end the part ('@', ':', ';', '<', '>', space ...).
bool IsSipUser(const std::string& user) {
    return !user.empty() && std::all_of(user.begin(), user.end(), [](unsigned char c) {
        return std::isalnum(c) != 0 ||
               std::string_view("-_.!~*'()&=+$,?/%#").find(c) != std::string_view::npos;
    });
}

// "host" or "host:port".
bool IsHostAndPort(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return IsHostName(text);
    }
    const std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    const int number = std::stoi(port);
    return number >= 1 && number <= 65535 && IsHostName(text.substr(0, colon));
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

bool IsHostName(const std::string& text) {
    if (text.empty() || text.size() > 253) {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const auto dot = text.find('.', start);
        if (!IsLabel(
                text.substr(start, dot == std::string::npos ? std::string::npos : dot - start))) {
            return false;
        }
        if (dot == std::string::npos) {
            return true;
        }
        start = dot + 1;
    }
}

std::string ValidateAccount(const SipLineSettings& account,
                            const std::vector<SipLineSettings>& others) {
    for (const std::string* field :
         {&account.name, &account.user, &account.domain, &account.proxy, &account.tls_ca_file}) {
        if (HasControlCharacter(*field)) {
            return "Line breaks and control characters cannot be part of an account's settings.";
        }
        if (field->size() > kMaxAccountFieldBytes) {
            return "A setting of the account is longer than " +
                   std::to_string(kMaxAccountFieldBytes) + " characters.";
        }
    }
    if (account.name.empty()) {
        return "Enter a name for the account: the line list shows it.";
    }
    if (account.name.find_first_of("[]") != std::string::npos || account.name.front() == ' ' ||
        account.name.back() == ' ') {
        return "The account's name cannot hold '[' or ']' or begin or end with a space.";
    }
    const std::string name = Lower(account.name);
    if (name == Lower(SimulatedLine::kDefaultName) || name == "local line") {
        return "The name " + Quoted(account.name) + " belongs to a line of the program itself.";
    }
    for (const SipLineSettings& other : others) {
        if (Lower(other.name) == name) {
            return "An account named " + Quoted(other.name) + " exists already.";
        }
    }
    if (account.user.empty()) {
        return "Enter the user name the provider gave you (the part before '@').";
    }
    if (!IsSipUser(account.user)) {
        return "The user name " + Quoted(account.user) +
               " holds characters a SIP address cannot carry (space, '@', ':', ';' ...).";
    }
    if (account.domain.empty()) {
        return "Enter the domain (registrar) of the account, such as sip.example.org.";
    }
    if (!IsHostName(account.domain)) {
        return "The domain " + Quoted(account.domain) +
               " is not a host name or an IPv4 address (without a port; the port has its own "
               "field).";
    }
    if (!account.proxy.empty() && !IsHostAndPort(account.proxy)) {
        return "The outbound proxy " + Quoted(account.proxy) +
               " is not a host name or address, with an optional \":port\".";
    }
    if (account.transport != "udp" && account.transport != "tcp" && account.transport != "tls") {
        return "The transport must be UDP, TCP or TLS.";
    }
    if (account.port < 0 || account.port > 65535) {
        return "The port must lie between 1 and 65535 (or be left at the transport's default).";
    }
    if (account.ring_period_ms < kMinRingPeriodMs || account.ring_period_ms > kMaxRingPeriodMs) {
        return "The ring period must lie between " + std::to_string(kMinRingPeriodMs) + " and " +
               std::to_string(kMaxRingPeriodMs) + " ms.";
    }
    return {};
}

}  // namespace kivo::telephony
