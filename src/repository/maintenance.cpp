// Deleting and restoring member versions, and compaction.
#include <optional>
#include <vector>

#include "block_copy.h"
#include "compaction.h"
#include "kivo/repository/repository_format.h"
#include "member_names.h"
#include "messages.h"
#include "operations.h"
#include "repository_writer.h"

namespace kivo::repository {
namespace {

// The internal entries of the names' live versions, which marking them
// deleted rewrites in place.
std::vector<ByteRange> LiveInternalEntries(const RepositoryReader& repository,
                                           const std::vector<std::string>& names) {
    std::vector<ByteRange> ranges;
    if (repository.version() != FormatVersion::kXr01) {
        return ranges;
    }
    for (const std::string& name : names) {
        if (std::optional<std::size_t> live = repository.directory().FindLive(name)) {
            ranges.push_back(
                ByteRange{repository.directory().at(*live).member_offset, format::kEntryBytes});
        }
    }
    return ranges;
}

// The entry each name marks deleted, as marking them one after another
// would find them: a name with no live entry, or given again after its live
// entry was marked, has none.
std::vector<std::optional<std::size_t>> EntriesToMark(RepositoryWriter& repository,
                                                      const std::vector<std::string>& names) {
    std::vector<std::optional<std::size_t>> marks;
    for (const std::string& name : names) {
        marks.push_back(repository.directory().FindLive(name));
        if (marks.back()) {
            repository.directory().at(*marks.back()).deleted = 1;  // for a later mention
        }
    }
    for (const std::optional<std::size_t>& mark : marks) {
        if (mark) {
            repository.directory().at(*mark).deleted = 0;
        }
    }
    return marks;
}

}  // namespace

void DeleteMembers(const EngineContext& context, const std::string& repository_path,
                   const std::vector<std::string>& names) {
    RepositoryWriter repository(context);
    if (repository.Open(repository_path, WriteMode::kUpdate) != OpenOutcome::kOpened) {
        return;
    }
    const std::vector<std::optional<std::size_t>> marks = EntriesToMark(repository, names);
    std::vector<std::size_t> changed;
    for (const std::optional<std::size_t>& mark : marks) {
        if (mark) {
            changed.push_back(*mark);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!marks[i]) {
            context.status.Add(MakeMessage(MessageCode::kFileNotFound, {PrintableName(names[i])}));
            continue;
        }
        // Only the marked entries change: they, not the whole directory, are
        // journalled and rewritten.
        if (!repository.BeginEntryChanges(changed) || !repository.MarkDeleted(*marks[i])) {
            repository.Abandon();
            return;
        }
    }
    repository.Close();
}

void UnDeleteMember(const EngineContext& context, const std::string& repository_path,
                    const std::string& name, std::uint32_t version,
                    const ProgressCallback& progress) {
    RepositoryWriter repository(context);
    if (repository.Open(repository_path, WriteMode::kUpdate) != OpenOutcome::kOpened) {
        return;
    }
    std::optional<std::size_t> found = repository.directory().FindVersion(name, version);
    if (!found) {
        context.status.Add(MakeMessage(MessageCode::kVersionNotFound,
                                       {static_cast<std::int64_t>(version), PrintableName(name)}));
        repository.Close();
        return;
    }
    DirectoryEntry copy = repository.directory().at(*found);
    const FormatVersion format_version = repository.version();
    const std::uint64_t source_data = DataOffset(copy, format_version);
    std::uint64_t limit = format::kMaxRepositoryBytes;
    std::uint64_t needed = copy.size_bytes;
    if (format_version == FormatVersion::kXr01) {
        needed += format::kEntryBytes + copy.name.size();
    } else {
        limit = format::kMaxRepositoryBytesOnFat;  // 32-bit offsets
    }
    filesystem::FsResult<filesystem::VolumeInfo> volume =
        context.file_system.StatVolume(repository.file_path());
    if (!volume.ok()) {
        context.status.Add(MakeMessage(MessageCode::kVolumeUnknown, {volume.status.Describe()}));
    } else if (volume.value.is_fat()) {
        limit = format::kMaxRepositoryBytesOnFat;
    }
    if (needed > limit || repository.append_position() > limit - needed) {
        context.status.Add(MakeMessage(MessageCode::kRepositoryTooLarge, {1}));
        repository.Close();
        return;
    }
    if (!repository.BeginChanges(LiveInternalEntries(repository, {name})) ||
        !repository.Seek(repository.append_position(), 15)) {
        repository.Abandon();
        return;
    }
    copy.deleted = 0;
    if (!repository.AddEntry(copy, {32, 33, 35, 16})) {
        repository.Abandon();
        return;
    }
    const std::uint64_t target_data = repository.append_position();
    std::uint64_t position = 0;
    if (!CopyWithinRepository(repository, source_data, target_data, copy.size_bytes,
                              repository.MemberLabel(name), progress) ||
        !repository.Position(position, 18)) {
        repository.Abandon();
        return;
    }
    // A member of size 0 leaves the position where the entry ended.
    repository.set_append_position(copy.size_bytes == 0 ? target_data : position);
    repository.Close();
}

void CompressRepository(const EngineContext& context, const std::string& repository_path,
                        const ProgressCallback& progress) {
    RepositoryWriter repository(context);
    if (repository.Open(repository_path, WriteMode::kUpdate) != OpenOutcome::kOpened) {
        return;
    }
    CompactAndClose(repository, progress);
}

void RemoveIdleJournal(const EngineContext& context, const std::string& repository_path) {
    // Opening plays back the journal of an interrupted call; the shared
    // access lock it holds keeps every writing call, and so every journal
    // being written, out until the idle one is gone.
    RepositoryReader repository(context);
    if (repository.OpenFileOnly(repository_path) == OpenOutcome::kFailed) {
        return;
    }
    if (InspectJournal(context.file_system, repository.real_path()).state ==
        JournalInspection::State::kIdle) {
        context.file_system.Unlink(JournalPath(repository.real_path()));
    }
}

}  // namespace kivo::repository
