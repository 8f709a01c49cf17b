// Directory recovery: the directory of an "XR01" repository rebuilt from the
// internal entries of its member blocks (kivo/repository/recovery.h).
#include <cstring>
#include <optional>
#include <unordered_map>

#include "byte_fields.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/recovery.h"
#include "kivo/repository/repository_format.h"
#include "messages.h"
#include "repository_writer.h"

namespace kivo::repository {
namespace {

// Reads the blocks one after another from offset 36 while each is sound.
RepositoryDirectory WalkBlocks(filesystem::File& file, RecoveryReport& report) {
    const std::uint64_t file_size = report.file_size_bytes;
    std::vector<DirectoryEntry> found;
    std::uint64_t position = format::kFirstBlockOffset;
    for (;;) {
        if (position == file_size) {
            break;
        }
        std::uint8_t bytes[format::kEntryBytes];
        filesystem::FsResult<std::size_t> got = file.ReadAt(position, bytes, sizeof bytes);
        if (!got.ok()) {
            report.stop_reason =
                "read error at offset " + std::to_string(position) + ": " + got.status.Describe();
            break;
        }
        if (got.value != sizeof bytes) {
            report.stop_reason = "no room for an entry at offset " + std::to_string(position);
            break;
        }
        DecodedEntry decoded = DecodeEntry(bytes, 0);
        if (!decoded.has_magic || decoded.offset_overflow ||
            decoded.entry.member_offset != position) {
            if (position != report.directory_offset) {
                report.stop_reason = "no member block at offset " + std::to_string(position);
            }
            break;
        }
        const std::uint64_t name_position = position + format::kEntryBytes;
        const std::uint64_t left = file_size - name_position;
        if (decoded.name_length > left || decoded.entry.size_bytes > left - decoded.name_length) {
            report.stop_reason = "member block at offset " + std::to_string(position) +
                                 " runs past the end of the file";
            break;
        }
        decoded.entry.name.resize(decoded.name_length);
        got = file.ReadAt(name_position, decoded.entry.name.data(), decoded.name_length);
        if (!got.ok() || got.value != decoded.name_length) {
            report.stop_reason = "cannot read the name at offset " + std::to_string(name_position);
            break;
        }
        decoded.entry.entry_length = format::kEntryBytes;
        position = name_position + decoded.name_length + decoded.entry.size_bytes;
        found.push_back(std::move(decoded.entry));
    }
    report.blocks_end_offset = position;
    RepositoryDirectory directory;
    directory.Replace(std::move(found));
    return directory;
}

// Indices of live entries that a later live entry of the same name supersedes.
std::vector<std::size_t> SupersededLiveEntries(const RepositoryDirectory& directory) {
    std::unordered_map<std::string, std::size_t> last_live;
    std::vector<std::size_t> superseded;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const DirectoryEntry& entry = directory.at(i);
        if (entry.is_deleted()) {
            continue;
        }
        auto [it, inserted] = last_live.try_emplace(entry.name, i);
        if (!inserted) {
            superseded.push_back(it->second);
            it->second = i;
        }
    }
    return superseded;
}

// Reads the header of the opened file and rebuilds the directory from the
// blocks, filling the report; nothing when the header forbids it (the
// message is in the report).
std::optional<RepositoryDirectory> RebuildDirectory(RepositoryReader& repository,
                                                    const EngineOptions& options,
                                                    RecoveryReport& report,
                                                    std::vector<std::size_t>& superseded) {
    report.file_size_bytes = repository.file_size_at_open();
    std::uint8_t header[format::kHeaderBytesXr01];
    filesystem::FsResult<std::size_t> got = repository.file().ReadAt(0, header, sizeof header);
    if (!got.ok()) {
        report.status.Add(MakeMessage(MessageCode::kRepositoryIoError, {6, got.status.Describe()}));
        return std::nullopt;
    }
    if (got.value < 4 || ClassifyHeaderPrefix(header) == HeaderPrefix::kWrongMagic) {
        report.status.Add(MakeMessage(MessageCode::kInvalidHeader, {got.value < 4 ? 1 : 2}));
        return std::nullopt;
    }
    if (ClassifyHeaderPrefix(header) != HeaderPrefix::kXr01 || got.value != sizeof header) {
        // "XR00" blocks carry no internal entries to rebuild from.
        report.status.Add(
            MakeMessage(MessageCode::kInvalidHeader, {got.value != sizeof header ? 5 : 3}));
        return std::nullopt;
    }
    report.directory_offset = GetU64(header + format::kXr01DirectoryOffsetOffset);
    report.header_entry_count = GetU32(header + format::kXr01EntryCountOffset);
    RepositoryDirectory directory = WalkBlocks(repository.file(), report);
    superseded = SupersededLiveEntries(directory);
    for (std::size_t index : superseded) {
        directory.at(index).deleted = 1;
        directory.at(index).deleted_at = options.clock();
    }
    for (const DirectoryEntry& entry : directory.entries()) {
        report.entries.push_back(EntryInfoOf(entry));
    }
    report.status.total_size_bytes = directory.TotalBytes(FormatVersion::kXr01);
    report.status.deleted_size_bytes = directory.DeletedBytes(FormatVersion::kXr01);
    return directory;
}

// What recovery would write, reported without writing.
RecoveryReport Inspect(filesystem::FileSystem& file_system, const WriterLock* held,
                       const std::string& path, const EngineOptions& options) {
    RecoveryReport report;
    EngineContext context{file_system, options, report.status, held};
    RepositoryReader repository(context);
    if (repository.OpenFileOnly(path) != OpenOutcome::kOpened) {
        return report;
    }
    std::vector<std::size_t> superseded;
    std::optional<RepositoryDirectory> directory =
        RebuildDirectory(repository, options, report, superseded);
    if (directory) {
        repository.InstallDirectory(std::move(*directory), report.blocks_end_offset);
    }
    repository.Close();
    return report;
}

// With `held`, the holder's lock stands for the writer lock the rewrite needs.
RecoveryReport Rewrite(filesystem::FileSystem& file_system, const WriterLock* held,
                       const std::string& path, const EngineOptions& options) {
    RecoveryReport report;
    EngineContext context{file_system, options, report.status, held};
    RepositoryWriter repository(context);
    if (repository.OpenFileOnly(path) != OpenOutcome::kOpened) {
        return report;
    }
    std::vector<std::size_t> superseded;
    std::optional<RepositoryDirectory> directory =
        RebuildDirectory(repository, options, report, superseded);
    if (!directory) {
        repository.Abandon();
        return report;
    }
    std::vector<ByteRange> in_place;
    for (std::size_t index : superseded) {
        in_place.push_back(ByteRange{directory->at(index).member_offset, format::kEntryBytes});
    }
    repository.InstallDirectory(std::move(*directory), report.blocks_end_offset);
    if (!repository.BeginChanges(in_place)) {
        repository.Abandon();
        return report;
    }
    for (std::size_t index : superseded) {
        if (!repository.RewriteInternalEntry(index)) {
            repository.Abandon();
            return report;
        }
    }
    report.written = repository.Close();
    return report;
}

RecoveryReport Recover(filesystem::FileSystem& file_system, const WriterLock* held,
                       const std::string& path, bool write, const EngineOptions& options) {
    return write ? Rewrite(file_system, held, path, options)
                 : Inspect(file_system, held, path, options);
}

}  // namespace

RecoveryReport RecoverDirectory(filesystem::FileSystem& file_system, const std::string& path,
                                bool write, const EngineOptions& options) {
    return Recover(file_system, nullptr, path, write, options);
}

RecoveryReport RecoverDirectory(filesystem::FileSystem& file_system, const WriterLock& held,
                                const std::string& path, bool write, const EngineOptions& options) {
    return Recover(file_system, &held, path, write, options);
}

RecoveryReport RecoverDirectory(const std::string& path, bool write) {
    return RecoverDirectory(filesystem::DefaultFileSystem(), path, write);
}

}  // namespace kivo::repository
