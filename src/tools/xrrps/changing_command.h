// The commands that change a repository (put, put-all, delete, undelete,
// compress, recover --write) hold its writer lock from their first call to
// their last, so no other writer changes it between them: a put of files from
// several folders, or a compaction sized by a listing first, works on one
// state. A second writer waits a few seconds for the lock and then says who
// holds the repository.
#pragma once

#include <functional>
#include <string>

#include "kivo/repository/engine.h"
#include "kivo/repository/writer_lock.h"
#include "progress_bar.h"

namespace kivo::xrrps {

// Takes the writer lock of `repository` (creating an empty file first when
// `create_missing`), and runs `change` with an engine that holds it; returns
// the exit status. When the lock cannot be taken, prints why and returns 1.
int RunChange(const std::string& repository, bool create_missing,
              const std::function<bool(repository::Engine& engine,
                                       const repository::WriterLock& lock)>& change);

// The engine's options for the tool: trace lines to standard error when the
// environment variable KIVO_TRACE is set, as the C interface does.
repository::EngineOptions ToolEngineOptions();

// The bar's callback as the C++ engine takes it (none when the bar is silent).
repository::ProgressCallback ProgressOf(const ProgressBar& bar);

}  // namespace kivo::xrrps
