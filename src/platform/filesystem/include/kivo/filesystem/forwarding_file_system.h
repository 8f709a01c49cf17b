// A FileSystem that hands every call to another one. Test doubles derive from
// it and override only the calls they change (a fake statfs, say).
#pragma once

#include "kivo/filesystem/file_system.h"

namespace kivo::filesystem {

class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& target) : target_(target) {}

    FsResult<std::unique_ptr<File>> Open(const std::string& path,
                                         const OpenOptions& options) override {
        return target_.Open(path, options);
    }
    FsResult<std::unique_ptr<File>> CreateUnnamed(const std::string& folder,
                                                  std::uint32_t permissions) override {
        return target_.CreateUnnamed(folder, permissions);
    }
    FsResult<FileInfo> Stat(const std::string& path, bool follow_symbolic_links) override {
        return target_.Stat(path, follow_symbolic_links);
    }
    FsResult<VolumeInfo> StatVolume(const std::string& path) override {
        return target_.StatVolume(path);
    }
    FsResult<DirectoryListing> ListDirectory(const std::string& path) override {
        return target_.ListDirectory(path);
    }
    FsStatus Rename(const std::string& from, const std::string& to) override {
        return target_.Rename(from, to);
    }
    FsStatus Unlink(const std::string& path) override { return target_.Unlink(path); }
    FsStatus MakeDirectory(const std::string& path, std::uint32_t permissions) override {
        return target_.MakeDirectory(path, permissions);
    }
    FsStatus RemoveDirectory(const std::string& path) override {
        return target_.RemoveDirectory(path);
    }
    FsStatus SyncDirectory(const std::string& path) override { return target_.SyncDirectory(path); }
    FsResult<ResolvedPath> ResolvePath(const std::string& path) override {
        return target_.ResolvePath(path);
    }
    std::optional<LockHolder> FindWriterLockHolder(const FileInfo& file) override {
        return target_.FindWriterLockHolder(file);
    }
    bool SyncsReachTheDisk() const override { return target_.SyncsReachTheDisk(); }

protected:
    FileSystem& target() { return target_; }

private:
    FileSystem& target_;
};

}  // namespace kivo::filesystem
