// Replacing a file's whole content (see whole_file_replacement.h).
#include "kivo/filesystem/whole_file_replacement.h"

#include <cerrno>
#include <memory>

namespace kivo::filesystem {
namespace {

FsStatus WriteSynced(File& file, std::string_view bytes, std::uint32_t permissions) {
    if (FsStatus set = file.SetPermissions(permissions); !set.ok())
        return set;
    if (!bytes.empty()) {
        if (FsResult<std::size_t> written = file.Write(bytes.data(), bytes.size()); !written.ok()) {
            return written.status;
        }
    }
    return file.Sync();
}

}  // namespace

FsStatus ReplaceWholeFile(FileSystem& file_system, const std::string& path, std::string_view bytes,
                          std::uint32_t permissions) {
    const std::string temporary = path + kReplacementSuffix;
    if (FsStatus removed = file_system.Unlink(temporary);
        !removed.ok() && removed.error_number() != ENOENT) {
        return removed;
    }
    OpenOptions options;
    options.access = Access::kReadWrite;
    options.creation = Creation::kCreateNew;
    options.follow_symbolic_links = false;
    options.permissions = permissions;
    FsResult<std::unique_ptr<File>> opened = file_system.Open(temporary, options);
    if (!opened.ok())
        return opened.status;
    FsStatus status = WriteSynced(*opened.value, bytes, permissions);
    opened.value.reset();  // closed before the rename
    if (status.ok())
        status = file_system.Rename(temporary, path);
    if (!status.ok()) {
        file_system.Unlink(temporary);
        return status;
    }
    file_system.SyncDirectory(ParentDirectory(path));
    return FsStatus::Ok();
}

FsStatus MakeDirectories(FileSystem& file_system, const std::string& path,
                         std::uint32_t permissions) {
    if (path.empty() || path == "." || path == "/")
        return FsStatus::Ok();
    if (FsResult<FileInfo> found = file_system.Stat(path, true); found.ok()) {
        return found.value.type == FileType::kDirectory ? FsStatus::Ok() : FsStatus::Error(ENOTDIR);
    }
    if (FsStatus parent = MakeDirectories(file_system, ParentDirectory(path), permissions);
        !parent.ok()) {
        return parent;
    }
    FsStatus made = file_system.MakeDirectory(path, permissions);
    return made.ok() || made.error_number() == EEXIST ? FsStatus::Ok() : made;
}

}  // namespace kivo::filesystem
