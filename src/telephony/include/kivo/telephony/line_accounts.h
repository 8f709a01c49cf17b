// The user's SIP accounts as the account dialog edits them.
//
// The accounts live in the line configuration file (line_configuration.h);
// each change is checked (ValidateAccount), then written to the file at
// once - the whole file replaced by a synced copy through the file-system
// seam (filesystem::ReplaceWholeFile), its other sections and its mode kept,
// so a failed write leaves the old file whole - and only then is the password given to the secret
// store. Passwords never reach the file. Renaming an account moves its password; removing an
// account forgets it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/secrets/secret_store.h"
#include "kivo/telephony/line_configuration.h"

namespace kivo::telephony {

struct AccountOutcome {
    enum class Kind {
        kSaved,            // the change is in the file (and the password kept)
        kInvalid,          // the settings failed a check; nothing changed
        kNotWritten,       // the file could not be written; nothing changed
        kPasswordNotKept,  // the change is in the file, its password is not
    };
    Kind kind = Kind::kSaved;
    // For the user: the problem, or (saved with a password) where the
    // password went.
    std::string message;

    bool saved() const { return kind == Kind::kSaved || kind == Kind::kPasswordNotKept; }
};

// A password change: keep the password as it is, or set this one (an empty
// text forgets the password).
using PasswordChange = std::optional<std::string>;

class LineAccounts {
public:
    // On the machine's file system.
    LineAccounts(std::string configuration_path, secrets::SecretStore& passwords);
    LineAccounts(std::string configuration_path, secrets::SecretStore& passwords,
                 filesystem::FileSystem& file_system);

    // Reads the accounts from the file; a missing file holds none. On a read
    // error the list is empty and the message says why.
    AccountOutcome Load();
    const std::vector<SipLineSettings>& accounts() const { return accounts_; }

    AccountOutcome Add(const SipLineSettings& account, const PasswordChange& password);
    AccountOutcome Update(std::size_t index, const SipLineSettings& account,
                          const PasswordChange& password);
    AccountOutcome Remove(std::size_t index);

    // Whether the secret store holds a password for the account.
    bool HasPassword(const std::string& account_name) const;

private:
    AccountOutcome Write(const std::vector<SipLineSettings>& accounts);
    AccountOutcome KeepPassword(const std::string& account_name, const PasswordChange& password);

    std::string path_;
    secrets::SecretStore& passwords_;
    filesystem::FileSystem& file_system_;
    std::vector<SipLineSettings> accounts_;
};

}  // namespace kivo::telephony
