// Passwords in a file only the user can read (see private_file_secret_store.h).
#include "kivo/secrets/private_file_secret_store.h"

#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/filesystem/whole_file_replacement.h"

namespace kivo::secrets {
namespace {

constexpr std::size_t kMaxFileBytes = 256 * 1024;
constexpr std::uint32_t kOthersMayTouch = 0077;
constexpr std::uint32_t kFileMode = 0600;
constexpr std::uint32_t kFolderMode = 0700;

std::string ToHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const unsigned char byte : bytes) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0xF]);
    }
    return hex;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool FromHex(const std::string& hex, std::string& bytes) {
    if (hex.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (std::size_t at = 0; at < hex.size(); at += 2) {
        const int high = HexDigit(hex[at]);
        const int low = HexDigit(hex[at + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

std::string Failure(const std::string& what, const std::string& path,
                    const filesystem::FsStatus& status) {
    return what + " " + path + ": " + status.Describe();
}

}  // namespace

PrivateFileSecretStore::PrivateFileSecretStore(std::string path)
    : PrivateFileSecretStore(std::move(path), filesystem::DefaultFileSystem()) {}

PrivateFileSecretStore::PrivateFileSecretStore(std::string path,
                                               filesystem::FileSystem& file_system)
    : path_(std::move(path)), file_system_(file_system) {}

SecretStatus PrivateFileSecretStore::Read(std::map<std::string, std::string>& entries) const {
    entries.clear();
    filesystem::OpenOptions options;
    options.follow_symbolic_links = false;
    options.non_blocking_open = true;  // a FIFO in its place is refused, not waited on
    filesystem::FsResult<std::unique_ptr<filesystem::File>> opened =
        file_system_.Open(path_, options);
    if (!opened.ok()) {
        if (opened.status.error_number() == ENOENT) {
            return SecretStatus::Ok();
        }
        return SecretStatus::Failed(Failure("Cannot read", path_, opened.status));
    }
    filesystem::File& file = *opened.value;
    const filesystem::FsResult<filesystem::FileInfo> info = file.Stat();
    if (!info.ok() || info.value.type != filesystem::FileType::kRegular ||
        info.value.owner_user_id != ::geteuid() ||
        (info.value.permissions & kOthersMayTouch) != 0) {
        return SecretStatus::Failed("The password file " + path_ +
                                    " is not yours alone; it is not used. Remove it or make it "
                                    "readable by you alone (chmod 600).");
    }
    std::string text(kMaxFileBytes, '\0');
    const filesystem::FsResult<std::size_t> read = file.ReadAt(0, text.data(), text.size());
    if (!read.ok()) {
        return SecretStatus::Failed(Failure("Cannot read", path_, read.status));
    }
    text.resize(read.value);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto space = line.find(' ');
        std::string account;
        std::string password;
        if (space != std::string::npos && FromHex(line.substr(0, space), account) &&
            FromHex(line.substr(space + 1), password)) {
            entries[account] = password;
        }
    }
    return SecretStatus::Ok();
}

SecretStatus PrivateFileSecretStore::Write(
    const std::map<std::string, std::string>& entries) const {
    const std::string folder = filesystem::ParentDirectory(path_);
    if (const filesystem::FsStatus made =
            filesystem::MakeDirectories(file_system_, folder, kFolderMode);
        !made.ok()) {
        return SecretStatus::Failed(Failure("Cannot make the folder", folder, made));
    }
    std::string text;
    for (const auto& [account, password] : entries) {
        text += ToHex(account) + " " + ToHex(password) + "\n";
    }
    if (const filesystem::FsStatus replaced =
            filesystem::ReplaceWholeFile(file_system_, path_, text, kFileMode);
        !replaced.ok()) {
        return SecretStatus::Failed(Failure("Cannot write", path_, replaced));
    }
    return SecretStatus::Ok();
}

SecretStatus PrivateFileSecretStore::Save(const std::string& account, const std::string& password) {
    std::map<std::string, std::string> entries;
    if (SecretStatus read = Read(entries); !read.ok()) {
        return read;
    }
    entries[account] = password;
    return Write(entries);
}

SecretLookup PrivateFileSecretStore::Lookup(const std::string& account) {
    std::map<std::string, std::string> entries;
    if (SecretStatus read = Read(entries); !read.ok()) {
        return SecretLookup{read, {}};
    }
    const auto found = entries.find(account);
    if (found == entries.end()) {
        return SecretLookup{SecretStatus::NotFound(), {}};
    }
    return SecretLookup{SecretStatus::Ok(), found->second};
}

SecretStatus PrivateFileSecretStore::Remove(const std::string& account) {
    std::map<std::string, std::string> entries;
    if (SecretStatus read = Read(entries); !read.ok()) {
        return read;
    }
    if (entries.erase(account) == 0) {
        return SecretStatus::Ok();
    }
    return Write(entries);
}

}  // namespace kivo::secrets
