// ObservingFileSystem: every read and write reported, then passed on.
#include "observing_file_system.h"

#include <utility>

namespace kivo::repository::test {
namespace {

using filesystem::File;
using filesystem::FsResult;
using filesystem::FsStatus;

class ObservedFile final : public File {
public:
    ObservedFile(std::unique_ptr<File> target, std::string path,
                 const ObservingFileSystem::Observer& observer)
        : target_(std::move(target)), path_(std::move(path)), observer_(observer) {}

    FsResult<std::size_t> Read(void* data, std::size_t size) override {
        observer_(Transfer{path_, false, data, size});
        return target_->Read(data, size);
    }
    FsResult<std::size_t> ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
        observer_(Transfer{path_, false, data, size});
        return target_->ReadAt(offset, data, size);
    }
    FsResult<std::size_t> Write(const void* data, std::size_t size) override {
        observer_(Transfer{path_, true, data, size});
        return target_->Write(data, size);
    }
    FsResult<std::size_t> WriteAt(std::uint64_t offset, const void* data,
                                  std::size_t size) override {
        observer_(Transfer{path_, true, data, size});
        return target_->WriteAt(offset, data, size);
    }
    FsResult<std::uint64_t> Seek(std::uint64_t offset) override { return target_->Seek(offset); }
    FsResult<std::uint64_t> Position() override { return target_->Position(); }
    FsStatus Truncate(std::uint64_t size) override { return target_->Truncate(size); }
    FsStatus Sync() override { return target_->Sync(); }
    FsResult<filesystem::FileInfo> Stat() override { return target_->Stat(); }
    FsStatus SetTimes(const filesystem::FileTimes& times) override {
        return target_->SetTimes(times);
    }
    FsStatus SetPermissions(std::uint32_t permissions) override {
        return target_->SetPermissions(permissions);
    }
    FsStatus LinkAs(const std::string& path) override { return target_->LinkAs(path); }
    FsStatus TryLock(filesystem::FileLock lock, filesystem::LockMode mode) override {
        return target_->TryLock(lock, mode);
    }
    void Unlock(filesystem::FileLock lock) override { target_->Unlock(lock); }

private:
    std::unique_ptr<File> target_;
    std::string path_;
    const ObservingFileSystem::Observer& observer_;
};

}  // namespace

ObservingFileSystem::ObservingFileSystem(filesystem::FileSystem& target, Observer observer)
    : ForwardingFileSystem(target), observer_(std::move(observer)) {}

FsResult<std::unique_ptr<File>> ObservingFileSystem::Open(const std::string& path,
                                                          const filesystem::OpenOptions& options) {
    return Observed(target().Open(path, options), path);
}

FsResult<std::unique_ptr<File>> ObservingFileSystem::CreateUnnamed(const std::string& folder,
                                                                   std::uint32_t permissions) {
    return Observed(target().CreateUnnamed(folder, permissions), filesystem::JoinPath(folder, ""));
}

FsResult<std::unique_ptr<File>> ObservingFileSystem::Observed(
    FsResult<std::unique_ptr<File>> opened, const std::string& path) {
    if (opened.ok()) {
        opened.value = std::make_unique<ObservedFile>(std::move(opened.value), path, observer_);
    }
    return opened;
}

}  // namespace kivo::repository::test
