// WriterLock: the writer lock of a repository file, held across many calls.
#include "kivo/repository/writer_lock.h"

#include "messages.h"
#include "refusal_texts.h"
#include "repository_file.h"
#include "repository_locks.h"
#include "repository_path.h"

namespace kivo::repository {

WriterLock WriterLock::Acquire(filesystem::FileSystem& file_system,
                               const std::string& repository_path,
                               const WriterLockOptions& options) {
    WriterLock lock;
    if (SplitNestedPath(repository_path).size() > 1) {
        lock.status_.Add(MakeMessage(MessageCode::kNotSupportedNested, {}));
        return lock;
    }
    std::optional<RepositoryFile> opened = OpenRepositoryFile(
        file_system, lock.status_, repository_path, filesystem::Access::kReadWrite,
        options.create_missing ? filesystem::Creation::kOpenOrCreate
                               : filesystem::Creation::kOpenExisting);
    if (!opened || !WaitForLock(file_system, lock.status_, repository_path, *opened->file,
                                opened->identity, filesystem::FileLock::kWriter,
                                filesystem::LockMode::kExclusive, options.wait)) {
        return lock;
    }
    // While it waited, the name may have been given to another file.
    filesystem::FsResult<filesystem::FileInfo> now = file_system.Stat(opened->real_path, false);
    if (!now.ok() || !now.value.SameFileAs(opened->identity)) {
        lock.status_.Add(MakeMessage(MessageCode::kOpenRepositoryFailed,
                                     {repository_path, kReplacedWhileOpeningText}));
        return lock;
    }
    lock.file_ = std::move(opened->file);
    lock.identity_ = opened->identity;
    lock.path_ = repository_path;
    return lock;
}

WriterLock::WriterLock(WriterLock&& other) noexcept = default;
WriterLock& WriterLock::operator=(WriterLock&& other) noexcept = default;
WriterLock::~WriterLock() = default;

bool WriterLock::Covers(const filesystem::FileInfo& file) const {
    return held() && identity_.SameFileAs(file);
}

void WriterLock::Release() {
    file_.reset();  // closing the file ends its lock
}

}  // namespace kivo::repository
