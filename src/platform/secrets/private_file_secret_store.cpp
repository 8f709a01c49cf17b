// Passwords in a file only the user can read (see private_file_secret_store.h).
#include "kivo/secrets/private_file_secret_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace kivo::secrets {
namespace {

constexpr std::size_t kMaxFileBytes = 256 * 1024;
constexpr mode_t kOthersMayTouch = S_IRWXG | S_IRWXO;

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

std::string Folder(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Creates the folder (and its parents) for the user alone; an existing one
// is left as it is.
bool MakeFolder(const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/") {
        return true;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    if (!MakeFolder(Folder(folder))) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

PrivateFileSecretStore::PrivateFileSecretStore(std::string path) : path_(std::move(path)) {}

SecretStatus PrivateFileSecretStore::Read(std::map<std::string, std::string>& entries) const {
    entries.clear();
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return SecretStatus::Ok();
        }
        return SecretStatus::Failed(SystemError("Cannot read", path_));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & kOthersMayTouch) != 0) {
        ::close(fd);
        return SecretStatus::Failed("The password file " + path_ +
                                    " is not yours alone; it is not used. Remove it or make it "
                                    "readable by you alone (chmod 600).");
    }
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < kMaxFileBytes) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    std::istringstream lines(text.substr(0, kMaxFileBytes));
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
    const std::string folder = Folder(path_);
    if (!MakeFolder(folder)) {
        return SecretStatus::Failed(SystemError("Cannot make the folder", folder));
    }
    std::string text;
    for (const auto& [account, password] : entries) {
        text += ToHex(account) + " " + ToHex(password) + "\n";
    }
    const std::string temporary = path_ + ".new";
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return SecretStatus::Failed(SystemError("Cannot write", temporary));
    }
    const bool written = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const int saved_errno = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        errno = written ? errno : saved_errno;
        const SecretStatus failed = SecretStatus::Failed(SystemError("Cannot write", path_));
        ::unlink(temporary.c_str());
        return failed;
    }
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
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
