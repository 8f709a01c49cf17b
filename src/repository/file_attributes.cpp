// Attribute bits and times of stored and extracted files.
#include "file_attributes.h"

#include "kivo/repository/repository_format.h"

namespace kivo::repository {

std::uint32_t AttributesOf(const filesystem::FileInfo& info, const std::string& name) {
    std::uint32_t attributes = info.owner_can_write() ? 0 : format::kAttributeReadOnly;
    if (!name.empty() && name[0] == '.') {
        attributes |= format::kAttributeHidden;
    }
    return attributes == 0 ? format::kAttributeNormal : attributes;
}

FileTime CreationTimeOf(const filesystem::FileInfo& info) {
    return FileTimeFromTimestamp(info.birth_time ? *info.birth_time : info.modification_time);
}

std::uint32_t PermissionsFor(std::uint32_t attributes, std::uint32_t created_permissions) {
    std::uint32_t permissions = created_permissions & 0666;
    if ((attributes & format::kAttributeReadOnly) != 0) {
        permissions &= ~0222u;
    }
    return permissions;
}

}  // namespace kivo::repository
