// Whether the open data store is worth compacting; see compaction_advice.h.
#include "kivo/core/compaction_advice.h"

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/engine.h"

namespace kivo::core {

CompactionAdvice AdviseCompaction(std::uint64_t total_bytes, std::uint64_t deleted_bytes) {
    // Scaled down as the program has always done, so the figures agree with
    // what users were shown before.
    while (total_bytes > 0xFFFFFFFFull) {
        total_bytes /= 10;
        deleted_bytes /= 10;
    }
    CompactionAdvice advice;
    advice.size_mb = total_bytes / 1048576;
    advice.waste_percent = total_bytes == 0 ? 0.0
                                            : static_cast<double>(deleted_bytes) /
                                                  static_cast<double>(total_bytes) * 100.0;
    advice.offer = advice.waste_percent > 10.0 && advice.size_mb > 100;
    return advice;
}

std::optional<CompactionAdvice> AdviseCompactionForStore(const std::string& store_path) {
    const repository::StatusRecord status =
        repository::Engine(filesystem::DefaultFileSystem()).Info(store_path);
    if (status.severity != repository::kSeverityNone)
        return std::nullopt;
    return AdviseCompaction(status.total_size_bytes, status.deleted_size_bytes);
}

}  // namespace kivo::core
