// Passwords in the desktop's secret store (the Secret Service: GNOME Keyring,
// KWallet) through libsecret, in the default collection, one item per
// account with the attributes of the schema "org.kivo.Line" (attribute
// "account"). The calls block until the service answers.
#pragma once

#include "kivo/secrets/secret_store.h"

namespace kivo::secrets {

class DesktopSecretStore : public SecretStore {
public:
    SecretStatus Save(const std::string& account, const std::string& password) override;
    SecretLookup Lookup(const std::string& account) override;
    SecretStatus Remove(const std::string& account) override;
};

}  // namespace kivo::secrets
