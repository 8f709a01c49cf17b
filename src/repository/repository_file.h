// Opening the outer file of a repository, before any lock is taken. Shared by
// every engine call (RepositoryReader) and by WriterLock.
//
// Special files are refused without waiting: a FIFO, socket or device is
// recognised before it is opened, and the open itself never blocks (a FIFO
// with no writer would otherwise hang the call). The real path of the file is
// found through every symbolic link, because the journal of a change is named
// after it ("<real path>-journal"), whatever name the repository was opened
// by. A journal left beside one of those links (by a version of this engine
// that named journals after the path given) is refused with a message, since
// it may or may not belong to the state the file is in now. A repository
// with several hard links is not opened for writing: no name is the one its
// journal would be looked for under.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/status_record.h"

namespace kivo::repository {

struct RepositoryFile {
    std::unique_ptr<filesystem::File> file;
    filesystem::FileInfo identity;  // as the open file describes itself
    std::string real_path;          // the journal's name is this + "-journal"
};

// Opens `path` (no ">>" part). On failure adds one message (RPS01, or RPS02
// with step 58 when the open file cannot describe itself) and gives none.
std::optional<RepositoryFile> OpenRepositoryFile(filesystem::FileSystem& file_system,
                                                 StatusRecord& status, const std::string& path,
                                                 filesystem::Access access,
                                                 filesystem::Creation creation);

}  // namespace kivo::repository
