// A store that keeps passwords in the desktop's secret store and turns to a
// private file only when no secret service runs.
//
//   Save:   the desktop's store; when it has no service, the file. A password
//           the desktop took is removed from the file, so no old copy stays.
//   Lookup: the desktop's store, then the file (a password saved while no
//           service ran is still found).
//   Remove: both.
// The message of a successful Save says where the password went.
#pragma once

#include <memory>

#include "kivo/secrets/private_file_secret_store.h"
#include "kivo/secrets/secret_store.h"

namespace kivo::secrets {

class FallbackSecretStore : public SecretStore {
public:
    FallbackSecretStore(std::unique_ptr<SecretStore> desktop,
                        std::unique_ptr<PrivateFileSecretStore> file);

    SecretStatus Save(const std::string& account, const std::string& password) override;
    SecretLookup Lookup(const std::string& account) override;
    SecretStatus Remove(const std::string& account) override;

private:
    std::unique_ptr<SecretStore> desktop_;
    std::unique_ptr<PrivateFileSecretStore> file_;
};

}  // namespace kivo::secrets
