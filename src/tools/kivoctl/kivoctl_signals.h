// Ending kivoctl by a signal that asks it to stop (SIGINT from Ctrl-C,
// SIGTERM from kill or timeout(1), SIGHUP from a closed terminal) removes its
// working folders as a normal exit does.
//
// StopSignalsRemoveFolders blocks the three signals in every thread and
// starts one thread that waits for them; when one comes it removes the
// folders registered at that moment and ends the process with status
// 128 + the signal number. A store change cut short this way is left to the
// repository's journal, as after any crash. Without the watcher (kivoctl's
// commands run inside a test) registering does nothing else.
//
// A run killed outright (SIGKILL) cannot clean up; its folder is removed as
// stale by the next run (working_folder.h).
#pragma once

#include <filesystem>

#include "kivo/core/working_folder.h"

namespace kivo::kivoctl {

// Call once, first thing in main, before any other thread exists.
void StopSignalsRemoveFolders();

// Creates a working folder and registers it for removal on a stop signal
// for the lifetime of the object. Both happen in one step, so a signal never
// finds the folder made but unknown. Declare the object before the folder it
// registers, so that it ends after the folder is removed.
class RegisteredFolder {
public:
    explicit RegisteredFolder(core::WorkingFolder& folder);
    ~RegisteredFolder();
    RegisteredFolder(const RegisteredFolder&) = delete;
    RegisteredFolder& operator=(const RegisteredFolder&) = delete;

    // WorkingFolder::Create's result: 0 or 119.
    int result() const { return result_; }

private:
    std::filesystem::path folder_;
    int result_ = 0;
};

}  // namespace kivo::kivoctl
