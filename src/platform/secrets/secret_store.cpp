// The program's password store (see secret_store.h).
#include "kivo/secrets/secret_store.h"

#include <cstdlib>

#include "kivo/secrets/desktop_secret_store.h"
#include "kivo/secrets/fallback_secret_store.h"

namespace kivo::secrets {

std::string PrivatePasswordFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/') {
        return std::string(config) + "/kivo/line-passwords";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/kivo/line-passwords";
}

std::unique_ptr<SecretStore> OpenSecretStore() {
    return std::make_unique<FallbackSecretStore>(
        std::make_unique<DesktopSecretStore>(),
        std::make_unique<PrivateFileSecretStore>(PrivatePasswordFilePath()));
}

}  // namespace kivo::secrets
