// kivoctl's view of a data store; see kivoctl_store.h.
#include "kivoctl_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "kivo/core/pending_deletions.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/store_repository.h"

namespace kivo::kivoctl {
namespace {

const char* KindOfSpecialFile(mode_t mode) {
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISDIR(mode))
        return "a folder";
    return "not a regular file";
}

// Which of the names the store holds as live members, in the order given. A
// store whose directory holds an entry the engine refuses still finds the others.
std::vector<std::string> PresentMembers(const std::filesystem::path& store,
                                        const std::vector<std::string>& names) {
    std::vector<std::string> present;
    for (recordstore::MemberInfo& member :
         recordstore::Repository(filesystem::DefaultFileSystem(), store.string()).Find(names).live)
        present.push_back(std::move(member.name));
    return present;
}

// "PATH is in use by kivoctl (process 4242)" from the repository's RPS01
// message, or the message itself when it says something else.
std::string HeldMessage(const std::filesystem::path& store, const std::string& engine_text) {
    constexpr std::string_view kInUse = "The repository is in use by ";
    const std::size_t at = engine_text.find(kInUse);
    if (at == std::string::npos)
        return engine_text;
    return store.string() + " is in use by " + engine_text.substr(at + kInUse.size());
}

bool IsRegularFile(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::filesystem::path AbsoluteStorePath(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    return ec ? std::filesystem::path(path) : absolute;
}

std::optional<std::string> CommandStore::Refusal(const std::filesystem::path& path,
                                                 Purpose purpose) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;  // reported as a missing store
    if (!S_ISREG(st.st_mode)) {
        return "kivoctl: " + path.string() + " is " + KindOfSpecialFile(st.st_mode) +
               ", not a data store";
    }
    if (purpose == Purpose::kRead)
        return std::nullopt;
    if (::access(path.c_str(), W_OK) != 0) {
        return "kivoctl: " + path.string() + " cannot be changed: " + std::strerror(errno);
    }
    const std::filesystem::path folder = path.parent_path();
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "kivoctl: " + path.string() + " cannot be changed: its folder " + folder.string() +
               " cannot be written to: " + std::strerror(errno);
    }
    return std::nullopt;
}

int CommandStore::Open(const std::string& store_path, Purpose purpose) {
    const auto location = core::StoreLocation::FromOpenedPath(AbsoluteStorePath(store_path));
    // Checked before the working folder exists and before anything opens it.
    if (location.name.empty() || !IsRegularFile(location.StorePath()))
        return core::kStoreMissing;
    if (purpose == Purpose::kChange && !TakeWriterLock(location.StorePath()))
        return kStoreHeld;
    if (int code = registered_folder_.emplace(folder_).result(); code != 0)
        return code;
    session_.emplace(folder_.path());
    session_->set_location(location);
    if (purpose == Purpose::kRead)
        return UnpackForReading();
    if (writer_lock_)
        session_->set_writer_lock(&*writer_lock_);
    if (int code = session_->LoadDataStore(); code != core::kStoreOk)
        return code;
    // Best effort: a note that cannot be finished now stays for the next run.
    core::FinishPendingDeletions(*session_);
    return core::kStoreOk;
}

bool CommandStore::TakeWriterLock(const std::filesystem::path& store) {
    writer_lock_.emplace(
        repository::WriterLock::Acquire(filesystem::DefaultFileSystem(), store.string()));
    if (writer_lock_->held())
        return true;
    const auto& messages = writer_lock_->status().messages;
    lock_message_ = messages.empty() ? store.string() + " could not be locked"
                                     : HeldMessage(store, messages.front().text);
    return false;
}

int CommandStore::UnpackForReading() {
    const std::filesystem::path store = session_->store_path();
    const auto unpacked = core::UnpackedMembers();
    const std::vector<std::string> present =
        PresentMembers(store, std::vector<std::string>(unpacked.begin(), unpacked.end()));
    // Every store has members; one that lists none cannot be read.
    if (present.empty())
        return core::kStoreRepositoryFailed;
    if (core::StoreGet(store.string(), folder_.path().string(), present) != core::kStoreOk)
        return core::kStoreRepositoryFailed;
    // Changes committed to the store's journal but not yet put are part of
    // what a reader sees; read-only, the journal is played back here only.
    return session_->TakeUnpackedComponents(recordstore::StoreAccess::kReadOnly);
}

}  // namespace kivo::kivoctl
