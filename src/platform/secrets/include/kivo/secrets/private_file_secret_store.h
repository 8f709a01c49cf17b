// Passwords in one file that the user alone may read and write (mode 0600,
// in a folder of mode 0700), for machines where no secret service runs.
//
// Format: one line per account, "<account> <password>", both written as
// lower-case hexadecimal bytes, so no name or password can break a line.
// The file is replaced as a whole (written beside it, synced, renamed). A
// file that others may read, or that is a symbolic link, is not trusted: it
// is neither read nor written.
#pragma once

#include <map>
#include <string>

#include "kivo/secrets/secret_store.h"

namespace kivo::secrets {

class PrivateFileSecretStore : public SecretStore {
public:
    explicit PrivateFileSecretStore(std::string path);

    const std::string& path() const { return path_; }

    SecretStatus Save(const std::string& account, const std::string& password) override;
    SecretLookup Lookup(const std::string& account) override;
    SecretStatus Remove(const std::string& account) override;

private:
    SecretStatus Read(std::map<std::string, std::string>& entries) const;
    SecretStatus Write(const std::map<std::string, std::string>& entries) const;

    std::string path_;
};

}  // namespace kivo::secrets
