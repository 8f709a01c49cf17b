// FailingFileSystem: fails the Nth selected call of another FileSystem.
#include "kivo/filesystem/failing_file_system.h"

#include <utility>

namespace kivo::filesystem {
namespace {

using State = FailingFileSystem::State;

class FailingFile final : public File {
public:
    FailingFile(std::unique_ptr<File> target, std::string path, std::shared_ptr<State> state)
        : target_(std::move(target)), path_(std::move(path)), state_(std::move(state)) {}

    FsResult<std::size_t> Read(void* data, std::size_t size_bytes) override {
        if (state_->ShouldFail(kCallRead, path_)) {
            if (!state_->plan.short_transfer) {
                return FsResult<std::size_t>::Failure(state_->plan.error_number);
            }
            size_bytes /= 2;
        }
        return target_->Read(data, size_bytes);
    }
    FsResult<std::size_t> ReadAt(std::uint64_t offset, void* data,
                                 std::size_t size_bytes) override {
        if (state_->ShouldFail(kCallRead, path_)) {
            if (!state_->plan.short_transfer) {
                return FsResult<std::size_t>::Failure(state_->plan.error_number);
            }
            size_bytes /= 2;
        }
        return target_->ReadAt(offset, data, size_bytes);
    }
    FsResult<std::size_t> Write(const void* data, std::size_t size_bytes) override {
        if (state_->ShouldFail(kCallWrite, path_)) {
            if (!state_->plan.short_transfer) {
                return FsResult<std::size_t>::Failure(state_->plan.error_number);
            }
            size_bytes /= 2;
        }
        return target_->Write(data, size_bytes);
    }
    FsResult<std::size_t> WriteAt(std::uint64_t offset, const void* data,
                                  std::size_t size_bytes) override {
        if (state_->ShouldFail(kCallWrite, path_)) {
            if (!state_->plan.short_transfer) {
                return FsResult<std::size_t>::Failure(state_->plan.error_number);
            }
            size_bytes /= 2;
        }
        return target_->WriteAt(offset, data, size_bytes);
    }
    FsResult<std::uint64_t> Seek(std::uint64_t offset) override {
        if (state_->ShouldFail(kCallSeek, path_)) {
            return FsResult<std::uint64_t>::Failure(state_->plan.error_number);
        }
        return target_->Seek(offset);
    }
    FsResult<std::uint64_t> Position() override {
        if (state_->ShouldFail(kCallPosition, path_)) {
            return FsResult<std::uint64_t>::Failure(state_->plan.error_number);
        }
        return target_->Position();
    }
    FsStatus Truncate(std::uint64_t size_bytes) override {
        if (state_->ShouldFail(kCallTruncate, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->Truncate(size_bytes);
    }
    FsStatus Sync() override {
        if (state_->ShouldFail(kCallSync, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->Sync();
    }
    void StartWriteback(std::uint64_t offset, std::uint64_t length) override {
        target_->StartWriteback(offset, length);
    }
    FsResult<FileInfo> Stat() override {
        if (state_->ShouldFail(kCallStat, path_)) {
            return FsResult<FileInfo>::Failure(state_->plan.error_number);
        }
        return target_->Stat();
    }
    FsStatus SetTimes(const FileTimes& times) override {
        if (state_->ShouldFail(kCallSetTimes, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->SetTimes(times);
    }
    FsStatus SetPermissions(std::uint32_t permissions) override {
        if (state_->ShouldFail(kCallSetPermissions, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->SetPermissions(permissions);
    }
    FsStatus LinkAs(const std::string& path) override {
        if (state_->ShouldFail(kCallLink, path)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->LinkAs(path);
    }
    FsStatus TryLock(FileLock lock, LockMode mode) override {
        if (state_->ShouldFail(kCallLock, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->TryLock(lock, mode);
    }
    void Unlock(FileLock lock) override { target_->Unlock(lock); }
    FsStatus LockRange(RangeLockKind kind, std::uint64_t offset, std::uint64_t length) override {
        if (state_->ShouldFail(kCallLockRange, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->LockRange(kind, offset, length);
    }
    FsStatus UnlockRange(std::uint64_t offset, std::uint64_t length) override {
        if (state_->ShouldFail(kCallLockRange, path_)) {
            return FsStatus::Error(state_->plan.error_number);
        }
        return target_->UnlockRange(offset, length);
    }

private:
    std::unique_ptr<File> target_;
    std::string path_;
    std::shared_ptr<State> state_;
};

}  // namespace

bool FailingFileSystem::State::ShouldFail(FsCall call, const std::string& path) {
    if ((plan.calls & call) == 0 || plan.nth == 0) {
        return false;
    }
    if (!plan.path_contains.empty() && path.find(plan.path_contains) == std::string::npos) {
        return false;
    }
    if (!plan.path_is.empty() && path != plan.path_is) {
        return false;
    }
    ++counted;
    bool fail = plan.persistent ? counted >= plan.nth : counted == plan.nth;
    if (fail) {
        ++failures;
    }
    return fail;
}

void FailingFileSystem::Plan(const FailurePlan& plan) {
    state_->plan = plan;
    state_->counted = 0;
    state_->failures = 0;
}

FsResult<std::unique_ptr<File>> FailingFileSystem::Open(const std::string& path,
                                                        const OpenOptions& options) {
    if (state_->ShouldFail(kCallOpen, path)) {
        return FsResult<std::unique_ptr<File>>::Failure(state_->plan.error_number);
    }
    FsResult<std::unique_ptr<File>> opened = target_.Open(path, options);
    if (!opened.ok()) {
        return opened;
    }
    return {FsStatus::Ok(), std::make_unique<FailingFile>(std::move(opened.value), path, state_)};
}

FsResult<std::unique_ptr<File>> FailingFileSystem::CreateUnnamed(const std::string& folder,
                                                                 std::uint32_t permissions) {
    const std::string path = JoinPath(folder, "");
    if (state_->ShouldFail(kCallOpen, path)) {
        return FsResult<std::unique_ptr<File>>::Failure(state_->plan.error_number);
    }
    FsResult<std::unique_ptr<File>> created = target_.CreateUnnamed(folder, permissions);
    if (!created.ok()) {
        return created;
    }
    return {FsStatus::Ok(), std::make_unique<FailingFile>(std::move(created.value), path, state_)};
}

FsResult<FileInfo> FailingFileSystem::Stat(const std::string& path, bool follow_symbolic_links) {
    if (state_->ShouldFail(kCallStat, path)) {
        return FsResult<FileInfo>::Failure(state_->plan.error_number);
    }
    return target_.Stat(path, follow_symbolic_links);
}

FsResult<VolumeInfo> FailingFileSystem::StatVolume(const std::string& path) {
    if (state_->ShouldFail(kCallStatVolume, path)) {
        return FsResult<VolumeInfo>::Failure(state_->plan.error_number);
    }
    return target_.StatVolume(path);
}

FsResult<DirectoryListing> FailingFileSystem::ListDirectory(const std::string& path) {
    if (state_->ShouldFail(kCallListDirectory, path)) {
        FsResult<DirectoryListing> failed;
        if (state_->plan.listing_stage != ListingStage::kOpen) {
            // Later stages fail after some entries were read.
            failed = target_.ListDirectory(path);
        }
        failed.status = FsStatus::Error(state_->plan.error_number);
        failed.value.failed_stage = state_->plan.listing_stage == ListingStage::kNone
                                        ? ListingStage::kOpen
                                        : state_->plan.listing_stage;
        return failed;
    }
    return target_.ListDirectory(path);
}

FsStatus FailingFileSystem::Rename(const std::string& from, const std::string& to) {
    if (state_->ShouldFail(kCallRename, from)) {
        return FsStatus::Error(state_->plan.error_number);
    }
    return target_.Rename(from, to);
}

FsStatus FailingFileSystem::Unlink(const std::string& path) {
    if (state_->ShouldFail(kCallUnlink, path)) {
        return FsStatus::Error(state_->plan.error_number);
    }
    return target_.Unlink(path);
}

FsStatus FailingFileSystem::MakeDirectory(const std::string& path, std::uint32_t permissions) {
    if (state_->ShouldFail(kCallMakeDirectory, path)) {
        return FsStatus::Error(state_->plan.error_number);
    }
    return target_.MakeDirectory(path, permissions);
}

FsStatus FailingFileSystem::RemoveDirectory(const std::string& path) {
    if (state_->ShouldFail(kCallRemoveDirectory, path)) {
        return FsStatus::Error(state_->plan.error_number);
    }
    return target_.RemoveDirectory(path);
}

FsStatus FailingFileSystem::SyncDirectory(const std::string& path) {
    if (state_->ShouldFail(kCallSyncDirectory, path)) {
        return FsStatus::Error(state_->plan.error_number);
    }
    return target_.SyncDirectory(path);
}

FsResult<ResolvedPath> FailingFileSystem::ResolvePath(const std::string& path) {
    if (state_->ShouldFail(kCallResolvePath, path)) {
        return FsResult<ResolvedPath>::Failure(state_->plan.error_number);
    }
    return target_.ResolvePath(path);
}

std::optional<LockHolder> FailingFileSystem::FindWriterLockHolder(const FileInfo& file) {
    return target_.FindWriterLockHolder(file);
}

}  // namespace kivo::filesystem
