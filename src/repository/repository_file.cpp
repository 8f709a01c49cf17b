// Opening a repository's outer file: type, name and real path.
#include "repository_file.h"

#include <cerrno>

#include "journal_file.h"
#include "messages.h"
#include "refusal_texts.h"

namespace kivo::repository {
namespace {

using filesystem::FileType;
using filesystem::FsStatus;

void Refuse(StatusRecord& status, const std::string& path, const std::string& reason) {
    status.Add(MakeMessage(MessageCode::kOpenRepositoryFailed, {path, reason}));
}

// Folders are left to the open (and to the type check after it), which name
// them "Is a directory" as before.
bool IsSpecial(FileType type) {
    return type != FileType::kRegular && type != FileType::kDirectory;
}

// A journal beside a link on the way to the file (left by a version of this
// engine that named journals after the path given).
std::optional<std::string> JournalBesideALink(filesystem::FileSystem& file_system,
                                              const filesystem::ResolvedPath& resolved) {
    for (const std::string& link : resolved.links_followed) {
        const std::string journal = JournalPath(link);
        if (file_system.Stat(journal, false).ok()) {
            return journal;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<RepositoryFile> OpenRepositoryFile(filesystem::FileSystem& file_system,
                                                 StatusRecord& status, const std::string& path,
                                                 filesystem::Access access,
                                                 filesystem::Creation creation) {
    // Seen before it is opened, a device is not even opened.
    if (filesystem::FsResult<filesystem::FileInfo> named = file_system.Stat(path, true);
        named.ok() && IsSpecial(named.value.type)) {
        Refuse(status, path, NotRegularFileText(named.value.type));
        return std::nullopt;
    }
    filesystem::OpenOptions options;
    options.access = access;
    options.creation = creation;
    options.non_blocking_open = true;
    filesystem::FsResult<std::unique_ptr<filesystem::File>> opened =
        file_system.Open(path, options);
    if (!opened.ok()) {
        Refuse(status, path, opened.status.Describe());
        return std::nullopt;
    }
    RepositoryFile result;
    result.file = std::move(opened.value);
    filesystem::FsResult<filesystem::FileInfo> info = result.file->Stat();
    if (!info.ok()) {
        status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                               {step::kRepositoryStat, info.status.Describe()}));
        return std::nullopt;
    }
    result.identity = info.value;
    if (info.value.type == FileType::kDirectory) {
        Refuse(status, path, FsStatus::Error(EISDIR).Describe());
        return std::nullopt;
    }
    if (info.value.type != FileType::kRegular) {
        Refuse(status, path, NotRegularFileText(info.value.type));
        return std::nullopt;
    }
    if (access == filesystem::Access::kReadWrite && info.value.link_count > 1) {
        Refuse(status, path, SeveralNamesText(info.value.link_count));
        return std::nullopt;
    }
    filesystem::FsResult<filesystem::ResolvedPath> resolved = file_system.ResolvePath(path);
    if (!resolved.ok()) {
        Refuse(status, path, resolved.status.Describe());
        return std::nullopt;
    }
    filesystem::FsResult<filesystem::FileInfo> at_real_path =
        file_system.Stat(resolved.value.real_path, false);
    if (!at_real_path.ok() || !at_real_path.value.SameFileAs(info.value)) {
        Refuse(status, path, kReplacedWhileOpeningText);
        return std::nullopt;
    }
    result.real_path = resolved.value.real_path;
    if (std::optional<std::string> stray = JournalBesideALink(file_system, resolved.value)) {
        Refuse(status, path, StrayJournalText(*stray, JournalPath(result.real_path)));
        return std::nullopt;
    }
    return result;
}

}  // namespace kivo::repository
