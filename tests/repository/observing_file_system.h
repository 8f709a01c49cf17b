// A file-system double for the engine's tests: it passes every call on to
// another file system and tells an observer of every read and write of the
// files it opens or creates (the path, the memory and the byte count). Copies
// between its files (File::CopyFrom) take the way through the caller's buffer,
// so they are seen as the reads and writes they are made of.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "kivo/filesystem/forwarding_file_system.h"

namespace kivo::repository::test {

struct Transfer {
    std::string path;  // "<folder>/" for a file created without a name
    bool is_write = false;
    const void* data = nullptr;
    std::size_t size_bytes = 0;
};

class ObservingFileSystem final : public filesystem::ForwardingFileSystem {
public:
    using Observer = std::function<void(const Transfer&)>;

    ObservingFileSystem(filesystem::FileSystem& target, Observer observer);

    filesystem::FsResult<std::unique_ptr<filesystem::File>> Open(
        const std::string& path, const filesystem::OpenOptions& options) override;
    filesystem::FsResult<std::unique_ptr<filesystem::File>> CreateUnnamed(
        const std::string& folder, std::uint32_t permissions) override;

private:
    filesystem::FsResult<std::unique_ptr<filesystem::File>> Observed(
        filesystem::FsResult<std::unique_ptr<filesystem::File>> opened, const std::string& path);

    Observer observer_;
};

}  // namespace kivo::repository::test
