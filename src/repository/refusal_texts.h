// Texts that stand where RPS01 and RPS03 put the operating system's
// description ("- %s") when the engine itself refuses a file: a special file,
// a repository another writer holds, a repository with several names, a
// journal left under another name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

// "Not a regular file (FIFO)".
std::string NotRegularFileText(filesystem::FileType type);

// "The repository is in use by kivoctl (process 1234)"; "... by process 1234"
// when its program cannot be read; "... by another program" when the holder
// cannot be told.
std::string InUseText(const std::optional<filesystem::LockHolder>& holder);

// A repository reached by hard links has no one name for its journal.
std::string SeveralNamesText(std::uint64_t link_count);

// A journal found beside a symbolic link that leads to the repository.
std::string StrayJournalText(const std::string& stray_journal, const std::string& journal);

inline constexpr char kReplacedWhileOpeningText[] =
    "The file was replaced by another while it was being opened";

}  // namespace kivo::repository
