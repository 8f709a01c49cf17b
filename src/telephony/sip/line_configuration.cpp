#include "kivo/telephony/line_configuration.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "kivo/secrets/secret_store.h"
#include "kivo/telephony/line_control.h"
#include "kivo/telephony/simulated_line.h"
#include "kivo/telephony/sip_line.h"

namespace kivo::telephony {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

int ToInt(const std::string& text, int fallback, int low, int high) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || value < low || value > high) {
        return fallback;
    }
    return static_cast<int>(value);
}

bool IsYes(const std::string& text) {
    return text == "Y" || text == "y" || text == "1" || text == "yes";
}

void ApplySipKey(SipLineSettings& line, const std::string& key, const std::string& value) {
    if (key == "address") {
        line.listen_address = value;
    } else if (key == "port") {
        line.port = ToInt(value, line.port, 1, 65535);
    } else if (key == "user") {
        line.user = value;
    } else if (key == "domain") {
        line.domain = value;
    } else if (key == "proxy") {
        line.proxy = value;
    } else if (key == "transport" && (value == "udp" || value == "tcp" || value == "tls")) {
        line.transport = value;
    } else if (key == "ca_file") {
        line.tls_ca_file = value;
    } else if (key == "ring_period_ms") {
        line.ring_period_ms = ToInt(value, line.ring_period_ms, 500, 30000);
    }
}

}  // namespace

LineConfiguration ParseLineConfiguration(const std::string& text) {
    LineConfiguration configuration;
    std::istringstream lines(text.substr(0, kMaxLineConfigurationBytes));
    std::string raw;
    enum class Section { kNone, kDemo, kLocal, kAccount } section = Section::kNone;
    SipLineSettings local;
    local.local = true;
    local.name = "Local line";
    bool local_enabled = false;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = Trim(line.substr(1, line.size() - 2));
            if (name == "demo") {
                section = Section::kDemo;
            } else if (name == "local") {
                section = Section::kLocal;
            } else if (name.rfind("account ", 0) == 0 && name.size() > 8) {
                section = Section::kAccount;
                SipLineSettings account;
                account.name = Trim(name.substr(8));
                account.port = 0;  // the transport's own
                configuration.sip_lines.push_back(account);
            } else {
                section = Section::kNone;
            }
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        switch (section) {
            case Section::kDemo:
                if (key == "ring_period_ms") {
                    configuration.demo_ring_period_ms =
                        ToInt(value, configuration.demo_ring_period_ms, 100, 30000);
                }
                break;
            case Section::kLocal:
                if (key == "enabled") {
                    local_enabled = IsYes(value);
                } else {
                    ApplySipKey(local, key, value);
                }
                break;
            case Section::kAccount:
                ApplySipKey(configuration.sip_lines.back(), key, value);
                break;
            case Section::kNone:
                break;
        }
    }
    if (local_enabled) {
        configuration.sip_lines.insert(configuration.sip_lines.begin(), local);
    }
    return configuration;
}

std::vector<SipLineSettings> ParseAccounts(const std::string& text) {
    std::vector<SipLineSettings> accounts = ParseLineConfiguration(text).sip_lines;
    std::erase_if(accounts, [](const SipLineSettings& line) { return line.local; });
    return accounts;
}

std::string WithAccounts(const std::string& text, const std::vector<SipLineSettings>& accounts) {
    std::istringstream lines(text.substr(0, kMaxLineConfigurationBytes));
    std::string kept;
    std::string raw;
    bool in_account = false;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            const std::string name = Trim(line.substr(1, line.size() - 2));
            in_account = name == "account" || name.rfind("account ", 0) == 0;
        }
        if (!in_account) {
            kept += raw + "\n";
        }
    }
    while (kept.size() >= 2 && kept.ends_with("\n\n")) {
        kept.pop_back();
    }
    for (const SipLineSettings& account : accounts) {
        if (!kept.empty()) {
            kept += "\n";
        }
        kept += "[account " + account.name + "]\n";
        kept += "user = " + account.user + "\n";
        kept += "domain = " + account.domain + "\n";
        if (!account.proxy.empty()) {
            kept += "proxy = " + account.proxy + "\n";
        }
        kept += "transport = " + account.transport + "\n";
        if (account.port > 0) {
            kept += "port = " + std::to_string(account.port) + "\n";
        }
        if (!account.tls_ca_file.empty()) {
            kept += "ca_file = " + account.tls_ca_file + "\n";
        }
        kept += "ring_period_ms = " + std::to_string(account.ring_period_ms) + "\n";
    }
    return kept;
}

std::string LineConfigurationPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config) {
        return std::string(config) + "/kivo/telephony.conf";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/kivo/telephony.conf";
}

LineDirectory ConfiguredLineDirectory() {
    return [] {
        std::string text;
        if (std::ifstream file(LineConfigurationPath()); file) {
            std::ostringstream content;
            content << file.rdbuf();
            text = content.str();
        }
        const LineConfiguration configuration = ParseLineConfiguration(text);
        std::vector<std::unique_ptr<LineProvider>> lines;
        SimulatedLine::Options demo;
        demo.ring_period_ms = configuration.demo_ring_period_ms;
        demo.control_socket_path = DefaultLineSocketPath();
        lines.push_back(std::make_unique<SimulatedLine>(demo));
        for (const SipLineSettings& settings : configuration.sip_lines) {
            PasswordSource password;
            if (!settings.local) {
                // Asked only when the line opens: listing the lines reads no secret.
                password = [name = settings.name] {
                    const secrets::SecretLookup found = secrets::OpenSecretStore()->Lookup(name);
                    return found.status.ok() ? found.password : std::string();
                };
            }
            lines.push_back(std::make_unique<SipLine>(settings, std::string(), password));
        }
        return lines;
    };
}

}  // namespace kivo::telephony
