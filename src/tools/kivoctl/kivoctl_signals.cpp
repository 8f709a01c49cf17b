// Removing kivoctl's working folders on a stop signal; see kivoctl_signals.h.
#include "kivoctl_signals.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kivo::kivoctl {
namespace {

// The folders of this process. A program's state, not a library's.
std::mutex g_mutex;
std::vector<std::filesystem::path> g_folders;

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal_number);
    return set;
}

// The command goes on working in the folder while it is removed and may add
// a file after the listing; once the folder itself is gone nothing can be
// added, so the removal is repeated until it is.
void RemoveWhileInUse(const std::filesystem::path& folder) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec)))
            return;
    }
}

[[noreturn]] void WaitForStopSignal(sigset_t signals) {
    int signal_number = 0;
    while (sigwait(&signals, &signal_number) != 0) {
    }
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const auto& folder : g_folders)
            RemoveWhileInUse(folder);
    }
    ::_exit(128 + signal_number);
}

}  // namespace

void StopSignalsRemoveFolders() {
    const sigset_t signals = StopSignals();
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0)
        return;
    std::thread(WaitForStopSignal, signals).detach();
}

RegisteredFolder::RegisteredFolder(core::WorkingFolder& folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    result_ = folder.Create();
    if (result_ == 0) {
        folder_ = folder.path();
        g_folders.push_back(folder_);
    }
}

RegisteredFolder::~RegisteredFolder() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_folders.erase(std::remove(g_folders.begin(), g_folders.end(), folder_), g_folders.end());
}

}  // namespace kivo::kivoctl
