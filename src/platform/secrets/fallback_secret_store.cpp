// The desktop's store with a private file behind it (see fallback_secret_store.h).
#include "kivo/secrets/fallback_secret_store.h"

namespace kivo::secrets {

FallbackSecretStore::FallbackSecretStore(std::unique_ptr<SecretStore> desktop,
                                         std::unique_ptr<PrivateFileSecretStore> file)
    : desktop_(std::move(desktop)), file_(std::move(file)) {}

SecretStatus FallbackSecretStore::Save(const std::string& account, const std::string& password) {
    const SecretStatus desktop = desktop_->Save(account, password);
    if (desktop.ok()) {
        file_->Remove(account);  // no second, older copy
        return SecretStatus::Ok("The password is kept in the desktop's secret store.");
    }
    if (desktop.code() != SecretStatus::Code::kNoService) {
        return desktop;
    }
    const SecretStatus file = file_->Save(account, password);
    if (!file.ok()) {
        return file;
    }
    return SecretStatus::Ok("No secret service runs on this desktop (" + desktop.message() +
                            "). The password is kept in the file " + file_->path() +
                            ", which only you can read.");
}

SecretLookup FallbackSecretStore::Lookup(const std::string& account) {
    SecretLookup desktop = desktop_->Lookup(account);
    if (desktop.status.ok()) {
        return desktop;
    }
    SecretLookup file = file_->Lookup(account);
    if (file.status.ok() || desktop.status.code() != SecretStatus::Code::kFailed) {
        return file;
    }
    return desktop;
}

SecretStatus FallbackSecretStore::Remove(const std::string& account) {
    const SecretStatus desktop = desktop_->Remove(account);
    const SecretStatus file = file_->Remove(account);
    if (!desktop.ok() && desktop.code() != SecretStatus::Code::kNoService) {
        return desktop;
    }
    return file;
}

}  // namespace kivo::secrets
