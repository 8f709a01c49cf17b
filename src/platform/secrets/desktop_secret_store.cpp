// Passwords through libsecret (see desktop_secret_store.h).
#include "kivo/secrets/desktop_secret_store.h"

#include <libsecret/secret.h>

namespace kivo::secrets {
namespace {

const SecretSchema kLineSchema = {
    "org.kivo.Line",
    SECRET_SCHEMA_NONE,
    {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr};

// No session bus, no service behind the name, or a service that cannot
// reach its default collection (a keyring daemon started on a headless
// machine, with no one to create or unlock its login keyring, answers
// "Object does not exist at path .../collection/login" as an unknown
// method): the desktop has no secret store to offer.
bool MeansNoService(const GError* error) {
    if (error->domain == G_IO_ERROR) {
        return true;
    }
    if (error->domain == G_DBUS_ERROR) {
        return error->code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
               error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER ||
               error->code == G_DBUS_ERROR_SPAWN_CHILD_EXITED ||
               error->code == G_DBUS_ERROR_SPAWN_EXEC_FAILED ||
               error->code == G_DBUS_ERROR_UNKNOWN_OBJECT ||
               error->code == G_DBUS_ERROR_UNKNOWN_METHOD || error->code == G_DBUS_ERROR_NO_REPLY ||
               error->code == G_DBUS_ERROR_TIMEOUT || error->code == G_DBUS_ERROR_TIMED_OUT;
    }
    return error->domain == SECRET_ERROR && error->code == SECRET_ERROR_NO_SUCH_OBJECT;
}

// Turns a failed call's error into a status and frees it.
SecretStatus StatusOf(GError* error) {
    const std::string message = error->message != nullptr ? error->message : "unknown error";
    const bool no_service = MeansNoService(error);
    g_error_free(error);
    if (no_service) {
        return SecretStatus::NoService(message);
    }
    return SecretStatus::Failed("The desktop's secret store refused: " + message);
}

std::string ItemLabel(const std::string& account) {
    return "Kivo phone line " + account;
}

}  // namespace

SecretStatus DesktopSecretStore::Save(const std::string& account, const std::string& password) {
    GError* error = nullptr;
    const gboolean saved = secret_password_store_sync(
        &kLineSchema, SECRET_COLLECTION_DEFAULT, ItemLabel(account).c_str(), password.c_str(),
        nullptr, &error, "account", account.c_str(), nullptr);
    if (error != nullptr) {
        return StatusOf(error);
    }
    return saved ? SecretStatus::Ok() : SecretStatus::Failed("The desktop's secret store refused.");
}

SecretLookup DesktopSecretStore::Lookup(const std::string& account) {
    GError* error = nullptr;
    gchar* password = secret_password_lookup_sync(&kLineSchema, nullptr, &error, "account",
                                                  account.c_str(), nullptr);
    if (error != nullptr) {
        return SecretLookup{StatusOf(error), {}};
    }
    if (password == nullptr) {
        return SecretLookup{SecretStatus::NotFound(), {}};
    }
    SecretLookup found{SecretStatus::Ok(), password};
    secret_password_free(password);
    return found;
}

SecretStatus DesktopSecretStore::Remove(const std::string& account) {
    GError* error = nullptr;
    secret_password_clear_sync(&kLineSchema, nullptr, &error, "account", account.c_str(), nullptr);
    if (error != nullptr) {
        return StatusOf(error);
    }
    return SecretStatus::Ok();
}

}  // namespace kivo::secrets
