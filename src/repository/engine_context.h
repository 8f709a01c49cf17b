// What every part of one engine call shares: the file system, the caller's
// options, the call's status record and, when the caller holds one, its
// writer lock.
#pragma once

#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/engine.h"
#include "kivo/repository/status_record.h"

namespace kivo::repository {

class WriterLock;

struct EngineContext {
    filesystem::FileSystem& file_system;
    const EngineOptions& options;
    StatusRecord& status;
    // The caller's lock, when it holds one (Engine(file_system, held, ...)).
    const WriterLock* held_lock = nullptr;

    void Trace(const std::string& line) const {
        if (options.trace) {
            options.trace(line);
        }
    }
};

}  // namespace kivo::repository
