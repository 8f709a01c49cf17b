// Editing the accounts of the line configuration (see line_accounts.h).
#include "kivo/telephony/line_accounts.h"

#include <cerrno>
#include <memory>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/filesystem/whole_file_replacement.h"
#include "kivo/telephony/account_validation.h"

namespace kivo::telephony {
namespace {

constexpr std::uint32_t kNewFileMode = 0644;
constexpr std::uint32_t kNewFolderMode = 0755;
constexpr std::size_t kReadPieceBytes = 64 * 1024;

struct FileText {
    bool ok = true;
    std::string text;
    std::string problem;
    std::uint32_t permissions = kNewFileMode;  // of the file read, for its replacement
};

std::string Problem(const std::string& what, const std::string& path,
                    const filesystem::FsStatus& status) {
    return what + " " + path + ": " + status.Describe();
}

// The whole file; a missing one is empty.
FileText ReadText(filesystem::FileSystem& file_system, const std::string& path) {
    filesystem::OpenOptions options;
    options.non_blocking_open = true;  // a FIFO in its place never holds the program up
    filesystem::FsResult<std::unique_ptr<filesystem::File>> opened =
        file_system.Open(path, options);
    if (!opened.ok()) {
        // No file there (nor a folder that could hold one) holds no accounts.
        const int error = opened.status.error_number();
        if (error == ENOENT || error == ENOTDIR) {
            return {};
        }
        return FileText{false, {}, Problem("Cannot read", path, opened.status)};
    }
    FileText file;
    if (const auto info = opened.value->Stat(); info.ok()) {
        file.permissions = info.value.permissions & 0777;
    }
    std::string piece(kReadPieceBytes, '\0');
    for (;;) {
        const filesystem::FsResult<std::size_t> read =
            opened.value->Read(piece.data(), piece.size());
        if (!read.ok()) {
            return FileText{false, {}, Problem("Cannot read", path, read.status)};
        }
        file.text.append(piece, 0, read.value);
        if (read.value < piece.size()) {
            return file;
        }
    }
}

// Replaces the file by `text` (filesystem::ReplaceWholeFile), so a crash or
// a failed write leaves the old file or the new one; the file keeps its
// permissions.
std::string ReplaceFile(filesystem::FileSystem& file_system, const std::string& path,
                        const std::string& text, std::uint32_t permissions) {
    if (const filesystem::FsStatus made = filesystem::MakeDirectories(
            file_system, filesystem::ParentDirectory(path), kNewFolderMode);
        !made.ok()) {
        return Problem("Cannot write", path, made);
    }
    if (const filesystem::FsStatus replaced =
            filesystem::ReplaceWholeFile(file_system, path, text, permissions);
        !replaced.ok()) {
        return Problem("Cannot write", path, replaced);
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
    : LineAccounts(std::move(configuration_path), passwords, filesystem::DefaultFileSystem()) {}

LineAccounts::LineAccounts(std::string configuration_path, secrets::SecretStore& passwords,
                           filesystem::FileSystem& file_system)
    : path_(std::move(configuration_path)), passwords_(passwords), file_system_(file_system) {}

AccountOutcome LineAccounts::Load() {
    const FileText file = ReadText(file_system_, path_);
    if (!file.ok) {
        accounts_.clear();
        return AccountOutcome{AccountOutcome::Kind::kNotWritten, file.problem};
    }
    accounts_ = ParseAccounts(file.text);
    return {};
}

AccountOutcome LineAccounts::Write(const std::vector<SipLineSettings>& accounts) {
    const FileText file = ReadText(file_system_, path_);
    if (!file.ok) {
        return AccountOutcome{AccountOutcome::Kind::kNotWritten, file.problem};
    }
    if (file.text.size() > kMaxLineConfigurationBytes) {
        return AccountOutcome{AccountOutcome::Kind::kNotWritten,
                              path_ + " is larger than " +
                                  std::to_string(kMaxLineConfigurationBytes / 1024) +
                                  " KB; Kivo does not rewrite it. Edit the file by hand."};
    }
    if (std::string problem =
            ReplaceFile(file_system_, path_, WithAccounts(file.text, accounts), file.permissions);
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
