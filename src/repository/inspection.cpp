// Listing entries, checking a repository's internal entries against its
// directory, and reading one member into memory.
#include <cstring>
#include <vector>

#include "byte_fields.h"
#include "kivo/repository/repository_format.h"
#include "member_names.h"
#include "messages.h"
#include "operations.h"
#include "repository_reader.h"
#include "text_kind.h"

namespace kivo::repository {
namespace {

// Members of more than 24 bytes are examined for a repository's magic.
constexpr std::uint32_t kNestedExamineMinimumBytes = 25;

char NestedFlag(RepositoryReader& repository, const DirectoryEntry& entry) {
    if (entry.size_bytes < kNestedExamineMinimumBytes) {
        return '?';
    }
    std::uint8_t magic[4];
    filesystem::FsResult<std::size_t> got =
        repository.file().ReadAt(DataOffset(entry, repository.version()), magic, sizeof magic);
    if (!got.ok() || got.value != sizeof magic) {
        return '?';
    }
    bool repository_magic =
        std::memcmp(magic, "XR00", 4) == 0 || std::memcmp(magic, "XR01", 4) == 0;
    return repository_magic ? 'Y' : 'N';
}

// The first field in which the internal entry differs from the directory's.
int FirstDifferentField(const DirectoryEntry& internal, const DirectoryEntry& listed) {
    if (internal.member_offset != listed.member_offset)
        return field::kMemberOffset;
    if (internal.created != listed.created)
        return field::kCreated;
    if (internal.accessed != listed.accessed)
        return field::kAccessed;
    if (internal.written != listed.written)
        return field::kWritten;
    if (internal.stored != listed.stored)
        return field::kStored;
    if (internal.deleted_at != listed.deleted_at)
        return field::kDeletedAt;
    if (internal.size_bytes != listed.size_bytes)
        return field::kSize;
    if (internal.attributes != listed.attributes)
        return field::kAttributes;
    if (internal.deleted != listed.deleted)
        return field::kDeleted;
    if (internal.name.size() != listed.name.size())
        return field::kNameLength;
    if (internal.version != listed.version)
        return field::kVersion;
    if (internal.name != listed.name)
        return field::kName;
    return 0;
}

// Walks the member blocks from offset 36, one per directory entry.
void CheckInternalEntries(const EngineContext& context, RepositoryReader& repository) {
    const std::uint64_t file_size = repository.file_size_at_open();
    if (!repository.Seek(format::kFirstBlockOffset, 19)) {
        return;
    }
    std::uint64_t position = format::kFirstBlockOffset;
    for (const DirectoryEntry& listed : repository.directory().entries()) {
        std::uint8_t bytes[format::kEntryBytes];
        if (!repository.Read(bytes, sizeof bytes, 36, 37)) {
            return;
        }
        DecodedEntry internal = DecodeEntry(bytes, 0);
        if (!internal.has_magic) {
            context.status.Add(MakeMessage(MessageCode::kInvalidInternalEntry, {1}));
            return;
        }
        std::uint64_t name_position = position + format::kEntryBytes;
        if (internal.name_length > file_size - std::min(file_size, name_position)) {
            context.status.Add(MakeMessage(MessageCode::kRepositoryIoError, {39, kShortReadText}));
            return;
        }
        internal.entry.name.resize(internal.name_length);
        if (!repository.Read(internal.entry.name.data(), internal.name_length, 38, 39)) {
            return;
        }
        if (internal.offset_overflow || internal.entry.member_offset != position) {
            context.status.Add(MakeMessage(MessageCode::kInvalidInternalEntry, {2}));
            return;
        }
        if (int different = FirstDifferentField(internal.entry, listed); different != 0) {
            context.status.Add(MakeMessage(MessageCode::kDirectoryFieldCorrupt,
                                           {different, PrintableName(internal.entry.name)}));
            return;
        }
        position = name_position + internal.name_length + internal.entry.size_bytes;
        if (!repository.Seek(position, 20)) {
            return;
        }
    }
}

}  // namespace

void ListEntries(const EngineContext& context, const std::string& repository_path, bool all) {
    RepositoryReader repository(context);
    if (repository.Open(repository_path) != OpenOutcome::kOpened) {
        return;
    }
    context.status.repository_time = repository.header().written;
    for (const DirectoryEntry& entry : repository.directory().entries()) {
        if (!all && entry.is_deleted()) {
            continue;
        }
        EntryInfo info = EntryInfoOf(entry);
        if (all) {
            info.nested = NestedFlag(repository, entry);
        }
        context.status.entries.push_back(std::move(info));
    }
    repository.Close();
}

std::uint32_t FindEntries(const EngineContext& context, const std::string& repository_path,
                          const std::vector<std::string>& names) {
    RepositoryReader repository(context);
    if (repository.Open(repository_path) != OpenOutcome::kOpened) {
        return 0;
    }
    context.status.repository_time = repository.header().written;
    const RepositoryDirectory& directory = repository.directory();
    for (const std::string& name : names) {
        if (std::optional<std::size_t> live = directory.FindLive(name)) {
            context.status.entries.push_back(EntryInfoOf(directory.at(*live)));
        }
    }
    const std::uint32_t live_count = directory.LiveCount();
    repository.Close();
    return live_count;
}

void CheckIntegrity(const EngineContext& context, const std::string& repository_path) {
    RepositoryReader repository(context);
    if (repository.Open(repository_path, /*allow_nested=*/false) != OpenOutcome::kOpened) {
        return;
    }
    // Entries the open refused are already reported: that is the first problem.
    if (context.status.ok() && repository.version() == FormatVersion::kXr01) {
        CheckInternalEntries(context, repository);
    }
    repository.Close();
}

void LoadMember(const EngineContext& context, const std::string& repository_path,
                LoadRequest& request) {
    RepositoryReader repository(context);
    if (repository.Open(repository_path) != OpenOutcome::kOpened) {
        return;
    }
    std::optional<std::size_t> live = repository.directory().FindLive(request.name);
    if (!live) {
        context.status.Add(MakeMessage(MessageCode::kFileNotFound, {PrintableName(request.name)}));
        repository.Close();
        return;
    }
    const DirectoryEntry& entry = repository.directory().at(*live);
    if (entry.size_bytes != request.buffer_size) {
        context.status.Add(MakeMessage(MessageCode::kSizeMismatch, {PrintableName(request.name)}));
        repository.Close();
        return;
    }
    if (!repository.Seek(DataOffset(entry, repository.version()), 24)) {
        repository.Close();
        return;
    }
    auto* buffer = static_cast<std::uint8_t*>(request.buffer);
    if (!repository.Read(buffer, entry.size_bytes, 43, 43)) {
        repository.Close();
        return;
    }
    request.text_kind = ClassifyText(buffer, entry.size_bytes);
    repository.Close();
}

}  // namespace kivo::repository
