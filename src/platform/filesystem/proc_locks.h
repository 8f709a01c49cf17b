// Who holds a flock on a file, read from the kernel's table of locks
// (/proc/locks) and the holder's command name (/proc/<pid>/comm). Linux only;
// used by PosixFileSystem::FindWriterLockHolder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivo::filesystem {

// The process id of a granted FLOCK on the file (device major:minor, inode)
// in a text laid out as /proc/locks ("1: FLOCK  ADVISORY  WRITE 1234
// fe:00:10953202 0 EOF"); requests still waiting ("1: -> FLOCK ...") and
// other kinds of lock are passed over. None when there is no such line or its
// process is not visible here (0).
std::optional<int> FindFlockHolderIn(const std::string& proc_locks, std::uint32_t device_major,
                                     std::uint32_t device_minor, std::uint64_t inode);

// The command name of a process (/proc/<pid>/comm without its line feed);
// empty when it cannot be read (the process has gone, or is hidden).
std::string ProcessCommandName(int process_id);

// The whole of /proc/locks; empty when it cannot be read.
std::string ReadProcLocks();

}  // namespace kivo::filesystem
