// Running a changing command under the repository's writer lock.
#include "changing_command.h"

#include <cstdio>
#include <cstdlib>

#include "kivo/filesystem/posix_file_system.h"
#include "status_report.h"

namespace kivo::xrrps {

int RunChange(const std::string& repository, bool create_missing,
              const std::function<bool(repository::Engine& engine,
                                       const repository::WriterLock& lock)>& change) {
    filesystem::FileSystem& file_system = filesystem::DefaultFileSystem();
    repository::WriterLockOptions options;
    options.create_missing = create_missing;
    repository::WriterLock lock = repository::WriterLock::Acquire(file_system, repository, options);
    if (!lock.held()) {
        ReportStatus(lock.status());
        return ExitStatus(false);
    }
    repository::Engine engine(file_system, lock, ToolEngineOptions());
    return ExitStatus(change(engine, lock));
}

repository::EngineOptions ToolEngineOptions() {
    repository::EngineOptions options;
    const char* trace = std::getenv("KIVO_TRACE");
    if (trace != nullptr && *trace != '\0') {
        options.trace = [](const std::string& line) { std::fputs(line.c_str(), stderr); };
    }
    return options;
}

repository::ProgressCallback ProgressOf(const ProgressBar& bar) {
    RPS_CALLBACK callback = bar.callback();
    if (callback == nullptr) {
        return {};
    }
    return [callback](repository::ProgressPhase phase, std::uint32_t byte_count,
                      const std::string& label) {
        callback(static_cast<std::int32_t>(phase), byte_count, label.c_str());
    };
}

}  // namespace kivo::xrrps
