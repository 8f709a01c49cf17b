// Passwords in one file that the user alone may read and write (mode 0600,
// in a folder of mode 0700), for machines where no secret service runs.
//
// Format: one line per account, "<account> <password>", both written as
// lower-case hexadecimal bytes, so no name or password can break a line.
// The file is replaced as a whole through the file-system seam
// (filesystem::ReplaceWholeFile: written beside it, synced, renamed), so a
// failed write leaves the old file whole. A file that others may read, that
// another user owns, that is not a regular file or that is a symbolic link
// is not trusted: it is neither read nor written.
#pragma once

#include <map>
#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/secrets/secret_store.h"

namespace kivo::secrets {

class PrivateFileSecretStore : public SecretStore {
public:
    // On the machine's file system.
    explicit PrivateFileSecretStore(std::string path);
    PrivateFileSecretStore(std::string path, filesystem::FileSystem& file_system);

    const std::string& path() const { return path_; }

    SecretStatus Save(const std::string& account, const std::string& password) override;
    SecretLookup Lookup(const std::string& account) override;
    SecretStatus Remove(const std::string& account) override;

private:
    SecretStatus Read(std::map<std::string, std::string>& entries) const;
    SecretStatus Write(const std::map<std::string, std::string>& entries) const;

    std::string path_;
    filesystem::FileSystem& file_system_;
};

}  // namespace kivo::secrets
