// Helpers over the file-system seam: see file_handle.h.
#include "store/file_handle.h"

#include <utility>

#include "store/unique_names.h"

namespace kivo::recordstore {

FileHandle FileHandle::OpenForReading(filesystem::FileSystem& file_system, const std::string& path,
                                      std::string* error) {
    auto opened = file_system.Open(path, filesystem::OpenOptions{});
    if (!opened.ok()) {
        if (error != nullptr)
            *error = path + ": " + opened.status.Describe();
        return FileHandle();
    }
    return FileHandle(std::move(opened.value));
}

bool FileHandle::Check(const filesystem::FsStatus& status) const {
    if (!status.ok())
        last_failure_ = status;
    return status.ok();
}

bool FileHandle::Describe(filesystem::FileInfo* info) const {
    auto described = file_->Stat();
    if (!Check(described.status))
        return false;
    *info = described.value;
    return true;
}

bool FileHandle::Size(std::uint64_t* size_bytes) const {
    filesystem::FileInfo info;
    if (!Describe(&info))
        return false;
    *size_bytes = info.size_bytes;
    return true;
}

bool FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                        std::size_t* read_bytes) const {
    auto read = file_->ReadAt(offset, buffer, count);
    if (!Check(read.status))
        return false;
    *read_bytes = read.value;
    return true;
}

bool FileHandle::ReadExactlyAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    std::size_t got = 0;
    return ReadAt(offset, buffer, count, &got) && got == count;
}

bool FileHandle::WriteAll(const void* data, std::size_t count) {
    return Check(file_->Write(data, count).status);
}

bool FileHandle::Seek(std::uint64_t offset) {
    return Check(file_->Seek(offset).status);
}

bool FileHandle::Position(std::uint64_t* offset) const {
    auto position = file_->Position();
    if (!Check(position.status))
        return false;
    *offset = position.value;
    return true;
}

bool FileHandle::SetPermissions(unsigned mode_bits) {
    return Check(file_->SetPermissions(mode_bits));
}

ReplacementFile::ReplacementFile(filesystem::FileSystem& file_system, std::string target_path)
    : file_system_(file_system), target_path_(std::move(target_path)) {}

ReplacementFile::~ReplacementFile() {
    file_.Close();
    if (!committed_ && !temporary_path_.empty())
        file_system_.Unlink(temporary_path_);
}

bool ReplacementFile::Create(std::string* error) {
    const std::size_t slash = target_path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_path_.substr(0, slash + 1);
    const std::string name =
        slash == std::string::npos ? target_path_ : target_path_.substr(slash + 1);
    auto created = CreateUniqueFile(file_system_, folder + "." + name + ".", &temporary_path_);
    if (!created.ok()) {
        *error = target_path_ + ": cannot create a temporary file: " + created.status.Describe();
        return false;
    }
    file_ = FileHandle(std::move(created.value));
    return true;
}

bool ReplacementFile::Commit(unsigned mode_bits, std::string* error) {
    if (!file_.SetPermissions(mode_bits)) {
        *error = temporary_path_ + ": " + file_.LastErrorText();
        return false;
    }
    file_.Close();
    const filesystem::FsStatus renamed = file_system_.Rename(temporary_path_, target_path_);
    if (!renamed.ok()) {
        *error = target_path_ + ": cannot replace: " + renamed.Describe();
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace kivo::recordstore
