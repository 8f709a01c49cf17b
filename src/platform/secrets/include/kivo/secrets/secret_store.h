// Where the program keeps the passwords of the user's accounts: one secret
// per account name, never in a configuration file the program writes.
//
// The program keeps them in the desktop's secret store (DesktopSecretStore,
// through libsecret). Where no secret service runs - a headless machine, a
// session without a keyring - they go to a file that the user alone may read
// (PrivateFileSecretStore). OpenSecretStore gives the store that does both:
// the desktop's when it answers, the file otherwise, and says which one took
// a password. Tests replace the whole interface.
//
// Results are values: a SecretStatus with a message for the user, never an
// exception. Messages never contain the password.
#pragma once

#include <memory>
#include <string>

namespace kivo::secrets {

class SecretStatus {
public:
    enum class Code {
        kOk,
        kNotFound,   // no password is kept for the account
        kNoService,  // no secret service answers on this desktop
        kFailed,     // the store answered with an error
    };

    SecretStatus() = default;
    static SecretStatus Ok(std::string message = {}) { return {Code::kOk, std::move(message)}; }
    static SecretStatus NotFound() { return {Code::kNotFound, {}}; }
    static SecretStatus NoService(std::string message) {
        return {Code::kNoService, std::move(message)};
    }
    static SecretStatus Failed(std::string message) { return {Code::kFailed, std::move(message)}; }

    bool ok() const { return code_ == Code::kOk; }
    Code code() const { return code_; }
    // For the user: why it failed, or (on success) where the secret went.
    const std::string& message() const { return message_; }

private:
    SecretStatus(Code code, std::string message) : code_(code), message_(std::move(message)) {}
    Code code_ = Code::kOk;
    std::string message_;
};

struct SecretLookup {
    SecretStatus status;
    std::string password;  // set when status is ok
};

class SecretStore {
public:
    virtual ~SecretStore() = default;
    // Keeps `password` for `account`, replacing the one kept before.
    virtual SecretStatus Save(const std::string& account, const std::string& password) = 0;
    virtual SecretLookup Lookup(const std::string& account) = 0;
    // Forgets the account's password; forgetting one that is not kept is ok.
    virtual SecretStatus Remove(const std::string& account) = 0;
};

// The desktop's store when its secret service answers, else the private
// file at PrivatePasswordFilePath().
std::unique_ptr<SecretStore> OpenSecretStore();

// $XDG_CONFIG_HOME/kivo/line-passwords (~/.config/kivo/line-passwords).
std::string PrivatePasswordFilePath();

}  // namespace kivo::secrets
