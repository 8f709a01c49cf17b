// Waiting for repository locks.
#include "repository_locks.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include "messages.h"
#include "refusal_texts.h"

namespace kivo::repository {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Tries again soon at first (a reader is done in milliseconds), then less
// often.
constexpr std::chrono::milliseconds kFirstRetry{1};
constexpr std::chrono::milliseconds kLongestRetry{25};

}  // namespace

bool WaitForLock(filesystem::FileSystem& file_system, StatusRecord& status, const std::string& path,
                 filesystem::File& file, const filesystem::FileInfo& identity,
                 filesystem::FileLock lock, filesystem::LockMode mode,
                 std::chrono::milliseconds wait) {
    const SteadyClock::time_point deadline = SteadyClock::now() + wait;
    std::chrono::milliseconds retry = kFirstRetry;
    for (;;) {
        filesystem::FsStatus locked = file.TryLock(lock, mode);
        if (locked.ok()) {
            return true;
        }
        if (locked.error_number() != EWOULDBLOCK) {
            status.Add(MakeMessage(MessageCode::kOpenRepositoryFailed, {path, locked.Describe()}));
            return false;
        }
        const SteadyClock::time_point now = SteadyClock::now();
        if (now >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::min<SteadyClock::duration>(retry, deadline - now));
        retry = std::min(retry * 2, kLongestRetry);
    }
    status.Add(MakeMessage(MessageCode::kOpenRepositoryFailed,
                           {path, InUseText(file_system.FindWriterLockHolder(identity))}));
    return false;
}

}  // namespace kivo::repository
