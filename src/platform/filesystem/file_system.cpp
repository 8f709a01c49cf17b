// Helpers shared by every FileSystem: error texts, FAT detection, paths.
#include "kivo/filesystem/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "kivo/filesystem/page_aligned_buffer.h"

namespace kivo::filesystem {
namespace {

// statfs f_type of the msdos and vfat drivers (MSDOS_SUPER_MAGIC).
constexpr std::uint64_t kMsdosSuperMagic = 0x4d44;

}  // namespace

std::string FsStatus::Describe() const {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    const char* text = strerror_r(error_number_, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : std::string("Unknown error");
}

const char* FileTypeName(FileType type) {
    switch (type) {
        case FileType::kRegular:
            return "regular file";
        case FileType::kDirectory:
            return "directory";
        case FileType::kSymbolicLink:
            return "symbolic link";
        case FileType::kFifo:
            return "FIFO";
        case FileType::kSocket:
            return "socket";
        case FileType::kCharacterDevice:
            return "character device";
        case FileType::kBlockDevice:
            return "block device";
        case FileType::kOther:
            break;
    }
    return "special file";
}

FsStatus File::LockRange(RangeLockKind, std::uint64_t, std::uint64_t) {
    return FsStatus::Error(ENOLCK);
}

FsStatus File::UnlockRange(std::uint64_t, std::uint64_t) {
    return FsStatus::Error(ENOLCK);
}

CopyResult File::CopyFrom(File& source, std::uint64_t source_offset, std::size_t size_bytes,
                          PageAlignedBuffer& buffer) {
    CopyResult result;
    if (buffer.size() == 0 && size_bytes > 0) {
        result.stop = CopyResult::Stop::kSourceFailed;
        result.status = FsStatus::Error(EINVAL);
        return result;
    }
    while (result.bytes_copied < size_bytes) {
        const std::size_t piece = std::min(buffer.size(), size_bytes - result.bytes_copied);
        FsResult<std::size_t> got =
            source.ReadAt(source_offset + result.bytes_copied, buffer.data(), piece);
        if (!got.ok()) {
            result.stop = CopyResult::Stop::kSourceFailed;
            result.status = got.status;
            return result;
        }
        if (got.value > 0) {
            FsResult<std::size_t> written = Write(buffer.data(), got.value);
            if (!written.ok()) {
                result.stop = CopyResult::Stop::kTargetFailed;
                result.status = written.status;
                return result;
            }
            result.bytes_copied += written.value;
            if (written.value != got.value) {
                result.stop = CopyResult::Stop::kTargetShort;
                return result;
            }
        }
        if (got.value != piece) {
            result.stop = CopyResult::Stop::kSourceEnded;
            return result;
        }
    }
    return result;
}

FsStatus File::LinkAs(const std::string&) {
    return FsStatus::Error(EOPNOTSUPP);
}

FsResult<std::unique_ptr<File>> FileSystem::CreateUnnamed(const std::string&, std::uint32_t) {
    return FsResult<std::unique_ptr<File>>::Failure(EOPNOTSUPP);
}

bool VolumeInfo::is_fat() const {
    return type_magic == kMsdosSuperMagic;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    if (directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

std::string ParentDirectory(const std::string& path) {
    std::string::size_type end = path.size();
    while (end > 1 && path[end - 1] == '/') {
        --end;
    }
    std::string::size_type slash = path.rfind('/', end - 1);
    if (slash == std::string::npos) {
        return ".";
    }
    while (slash > 0 && path[slash - 1] == '/') {
        --slash;
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    std::string::size_type end = path.size();
    while (end > 1 && path[end - 1] == '/') {
        --end;
    }
    std::string::size_type slash = path.rfind('/', end - 1);
    std::string::size_type begin = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(begin, end - begin);
}

}  // namespace kivo::filesystem
