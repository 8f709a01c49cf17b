// Editing the accounts of the line configuration (see line_accounts.h).
#include "kivo/telephony/line_accounts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kivo/telephony/account_validation.h"

namespace kivo::telephony {
namespace {

struct FileText {
    bool ok = true;
    std::string text;
    std::string problem;
};

FileText ReadText(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return {};
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return FileText{false, {}, "Cannot read " + path + ": " + std::strerror(errno)};
    }
    std::ostringstream content;
    content << file.rdbuf();
    return FileText{true, content.str(), {}};
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

// Replaces the file by `text`: written beside it, synced, renamed over it,
// and the folder synced, so a crash leaves the old file or the new one.
std::string ReplaceFile(const std::string& path, const std::string& text) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string temporary = path + ".new";
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return "Cannot write " + temporary + ": " + std::strerror(errno);
    }
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const int write_errno = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string problem =
            "Cannot write " + path + ": " + std::strerror(written ? errno : write_errno);
        ::unlink(temporary.c_str());
        return problem;
    }
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

std::vector<SipLineSettings> AllBut(const std::vector<SipLineSettings>& accounts,
                                    std::size_t index) {
    std::vector<SipLineSettings> others = accounts;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(index));
    return others;
}

AccountOutcome Invalid(std::string message) {
    return AccountOutcome{AccountOutcome::Kind::kInvalid, std::move(message)};
}

}  // namespace

LineAccounts::LineAccounts(std::string configuration_path, secrets::SecretStore& passwords)
    : path_(std::move(configuration_path)), passwords_(passwords) {}

AccountOutcome LineAccounts::Load() {
    const FileText file = ReadText(path_);
    if (!file.ok) {
        accounts_.clear();
        return AccountOutcome{AccountOutcome::Kind::kNotWritten, file.problem};
    }
    accounts_ = ParseAccounts(file.text);
    return {};
}

AccountOutcome LineAccounts::Write(const std::vector<SipLineSettings>& accounts) {
    const FileText file = ReadText(path_);
    if (!file.ok) {
        return AccountOutcome{AccountOutcome::Kind::kNotWritten, file.problem};
    }
    if (file.text.size() > kMaxLineConfigurationBytes) {
        return AccountOutcome{AccountOutcome::Kind::kNotWritten,
                              path_ + " is larger than " +
                                  std::to_string(kMaxLineConfigurationBytes / 1024) +
                                  " KB; Kivo does not rewrite it. Edit the file by hand."};
    }
    if (std::string problem = ReplaceFile(path_, WithAccounts(file.text, accounts));
        !problem.empty()) {
        return AccountOutcome{AccountOutcome::Kind::kNotWritten, std::move(problem)};
    }
    accounts_ = accounts;
    return {};
}

AccountOutcome LineAccounts::KeepPassword(const std::string& account_name,
                                          const PasswordChange& password) {
    if (!password) {
        return {};
    }
    const secrets::SecretStatus kept = password->empty() ? passwords_.Remove(account_name)
                                                         : passwords_.Save(account_name, *password);
    if (!kept.ok()) {
        return AccountOutcome{AccountOutcome::Kind::kPasswordNotKept,
                              "The account is saved, but its password is not: " + kept.message()};
    }
    return AccountOutcome{AccountOutcome::Kind::kSaved, kept.message()};
}

AccountOutcome LineAccounts::Add(const SipLineSettings& account, const PasswordChange& password) {
    if (std::string problem = ValidateAccount(account, accounts_); !problem.empty()) {
        return Invalid(std::move(problem));
    }
    std::vector<SipLineSettings> accounts = accounts_;
    accounts.push_back(account);
    if (AccountOutcome written = Write(accounts); !written.saved()) {
        return written;
    }
    return KeepPassword(account.name, password);
}

AccountOutcome LineAccounts::Update(std::size_t index, const SipLineSettings& account,
                                    const PasswordChange& password) {
    if (index >= accounts_.size()) {
        return Invalid("The account is no longer in the list.");
    }
    if (std::string problem = ValidateAccount(account, AllBut(accounts_, index));
        !problem.empty()) {
        return Invalid(std::move(problem));
    }
    const std::string old_name = accounts_[index].name;
    std::vector<SipLineSettings> accounts = accounts_;
    accounts[index] = account;
    if (AccountOutcome written = Write(accounts); !written.saved()) {
        return written;
    }
    if (old_name == account.name) {
        return KeepPassword(account.name, password);
    }
    // A renamed account takes its password along (or the new one).
    PasswordChange moved = password;
    if (!moved) {
        if (secrets::SecretLookup old = passwords_.Lookup(old_name); old.status.ok()) {
            moved = old.password;
        }
    }
    AccountOutcome kept = KeepPassword(account.name, moved);
    if (kept.kind == AccountOutcome::Kind::kSaved) {
        passwords_.Remove(old_name);
    }
    return kept;
}

AccountOutcome LineAccounts::Remove(std::size_t index) {
    if (index >= accounts_.size()) {
        return Invalid("The account is no longer in the list.");
    }
    const std::string name = accounts_[index].name;
    if (AccountOutcome written = Write(AllBut(accounts_, index)); !written.saved()) {
        return written;
    }
    if (const secrets::SecretStatus forgotten = passwords_.Remove(name); !forgotten.ok()) {
        return AccountOutcome{AccountOutcome::Kind::kPasswordNotKept,
                              "The account is removed, but its password could not be "
                              "forgotten: " +
                                  forgotten.message()};
    }
    return {};
}

bool LineAccounts::HasPassword(const std::string& account_name) const {
    return passwords_.Lookup(account_name).status.ok();
}

}  // namespace kivo::telephony
