// File helpers over the file-system seam: see file_access.h.
#include "line/file_access.h"

#include <cerrno>

#include "store/unique_names.h"

namespace kivo::recordstore::file_access {
namespace {

std::string Describe(const std::string& what, const std::string& path,
                     const filesystem::FsStatus& status) {
    return what + " " + path + ": " + status.Describe();
}

}  // namespace

filesystem::OpenOptions ForReading() {
    return filesystem::OpenOptions{};
}

filesystem::OpenOptions ForUpdating(filesystem::Creation creation) {
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.creation = creation;
    options.permissions = 0644;
    return options;
}

Status Open(FileSystem& file_system, const std::string& path,
            const filesystem::OpenOptions& options, std::unique_ptr<File>* file) {
    auto opened = file_system.Open(path, options);
    if (!opened.ok()) {
        const std::string message = Describe("cannot open", path, opened.status);
        return opened.status.error_number() == ENOENT ? Status::NotFound(message)
                                                      : Status::IoError(message);
    }
    *file = std::move(opened.value);
    return Status::Ok();
}

Status FileSize(File& file, const std::string& path, std::uint64_t* size_bytes) {
    auto info = file.Stat();
    if (!info.ok()) {
        return Status::IoError(Describe("cannot inspect", path, info.status));
    }
    *size_bytes = info.value.size_bytes;
    return Status::Ok();
}

Status ReadAt(File& file, const std::string& path, std::uint64_t offset, void* buffer,
              std::size_t count, std::size_t* read_bytes) {
    auto read = file.ReadAt(offset, buffer, count);
    if (!read.ok()) {
        return Status::IoError(Describe("cannot read", path, read.status));
    }
    *read_bytes = read.value;
    return Status::Ok();
}

Status WriteAt(File& file, const std::string& path, std::uint64_t offset, std::string_view bytes) {
    auto written = file.WriteAt(offset, bytes.data(), bytes.size());
    if (!written.ok()) {
        return Status::IoError(Describe("cannot write", path, written.status));
    }
    return Status::Ok();
}

Status ReadPrefix(FileSystem& file_system, const std::string& path, std::size_t max_bytes,
                  std::string* bytes) {
    std::unique_ptr<File> file;
    Status status = Open(file_system, path, ForReading(), &file);
    if (!status.ok()) {
        return status;
    }
    std::uint64_t size_bytes = 0;
    status = FileSize(*file, path, &size_bytes);
    if (!status.ok()) {
        return status;
    }
    std::string buffer(size_bytes < max_bytes ? static_cast<std::size_t>(size_bytes) : max_bytes,
                       '\0');
    std::size_t read_bytes = 0;
    status = ReadAt(*file, path, 0, buffer.data(), buffer.size(), &read_bytes);
    if (!status.ok()) {
        return status;
    }
    buffer.resize(read_bytes);
    *bytes = std::move(buffer);
    return Status::Ok();
}

Status ReplaceFile(FileSystem& file_system, const std::string& path, std::string_view bytes) {
    ReplacementFile file(file_system);
    Status status = ReplacementFile::Create(path, &file);
    if (status.ok()) {
        status = file.Append(bytes);
    }
    return status.ok() ? file.Commit() : status;
}

ReplacementFile::~ReplacementFile() {
    file_.reset();
    if (!temporary_.empty()) {
        file_system_.Unlink(temporary_);
    }
}

Status ReplacementFile::Create(const std::string& path, ReplacementFile* file) {
    auto created = CreateUniqueFile(file->file_system_, path + ".", &file->temporary_);
    if (!created.ok()) {
        file->temporary_.clear();
        return Status::IoError(
            Describe("cannot create a temporary file beside", path, created.status));
    }
    file->file_ = std::move(created.value);
    file->path_ = path;
    return Status::Ok();
}

Status ReplacementFile::Append(std::string_view bytes) {
    constexpr std::size_t kBlockBytes = 256 * 1024;
    pending_.append(bytes);
    return pending_.size() >= kBlockBytes ? Flush() : Status::Ok();
}

Status ReplacementFile::Flush() {
    Status status = WriteAt(*file_, temporary_, written_bytes_, pending_);
    written_bytes_ += pending_.size();
    pending_.clear();
    return status;
}

Status ReplacementFile::Commit() {
    if (temporary_.empty() || !file_) {
        return Status::InvalidArgument("nothing to put in place of " + path_);
    }
    // The new version keeps the permission bits of the file it replaces.
    auto replaced = file_system_.Stat(path_, true);
    const std::uint32_t mode = replaced.ok() ? (replaced.value.permissions & 07777) : 0644;
    Status status = Flush();
    if (status.ok()) {
        if (const auto changed = file_->SetPermissions(mode); !changed.ok()) {
            status = Status::IoError(Describe("cannot set the mode of", temporary_, changed));
        }
    }
    if (status.ok()) {
        if (const auto synced = file_->Sync(); !synced.ok()) {
            status = Status::IoError(Describe("cannot flush", temporary_, synced));
        }
    }
    file_.reset();
    if (status.ok()) {
        if (const auto renamed = file_system_.Rename(temporary_, path_); !renamed.ok()) {
            status = Status::IoError(Describe("cannot replace", path_, renamed));
        }
    }
    if (!status.ok()) {
        return status;  // the destructor removes the temporary file
    }
    temporary_.clear();
    // The rename itself is made durable; a failure here leaves the new file
    // in place, so it is not reported.
    const std::size_t slash = path_.rfind('/');
    file_system_.SyncDirectory(slash == std::string::npos ? "." : path_.substr(0, slash + 1));
    return Status::Ok();
}

RangeLock::RangeLock(File& file, bool exclusive, std::uint64_t offset, std::uint64_t length)
    : file_(file), offset_(offset), length_(length) {
    locked_ = file_
                  .LockRange(exclusive ? filesystem::RangeLockKind::kExclusive
                                       : filesystem::RangeLockKind::kShared,
                             offset, length)
                  .ok();
}

RangeLock::~RangeLock() {
    if (locked_) {
        file_.UnlockRange(offset_, length_);
    }
}

}  // namespace kivo::recordstore::file_access
