// CompactionAdvice: whether the open data store holds so much deleted space
// that the program offers compaction at start-up (message 24).
//
// With T the repository's total size and W the bytes of deleted members:
// while T does not fit in 32 bits both are divided by 10; size = T / 1048576
// (whole megabytes); waste = W / T x 100 (0 when T is 0). Compaction is
// offered when waste > 10 and size > 100.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivo::core {

// Message code of the question.
inline constexpr int kCompactionQuestion = 24;

struct CompactionAdvice {
    std::uint64_t size_mb = 0;
    double waste_percent = 0.0;
    bool offer = false;
};

CompactionAdvice AdviseCompaction(std::uint64_t total_bytes, std::uint64_t deleted_bytes);

// Reads the statistics of the store from the repository engine; nothing when the
// repository cannot be read.
std::optional<CompactionAdvice> AdviseCompactionForStore(const std::string& store_path);

}  // namespace kivo::core
