// Waiting for a lock on a repository file, and saying who holds it when the
// wait is over. The engine takes two kinds (kivo/filesystem/file_system.h):
//   FileLock::kWriter exclusive: the one writer of the repository, for one
//     call or (WriterLock) for a whole command;
//   FileLock::kAccess: shared while a call reads, exclusive while a call
//     writes, so a reader never sees a half-written directory.
// Writers take kWriter before kAccess, and nobody waits for kWriter while
// holding kAccess, so two callers never wait for each other.
#pragma once

#include <chrono>
#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/status_record.h"

namespace kivo::repository {

// Takes the lock on `file`, trying again until `wait` has passed. When it
// cannot, adds RPS01 for `path`: the holder of the repository's writer lock
// named where the system can tell ("The repository is in use by kivoctl
// (process 1234)"), or the system's error.
bool WaitForLock(filesystem::FileSystem& file_system, StatusRecord& status, const std::string& path,
                 filesystem::File& file, const filesystem::FileInfo& identity,
                 filesystem::FileLock lock, filesystem::LockMode mode,
                 std::chrono::milliseconds wait);

}  // namespace kivo::repository
