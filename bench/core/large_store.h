// A data store of many records for the benchmarks: record lines made with the
// record store library (7 in 10 dictations, then meetings, calls and diary
// entries), one small container per record and an index entry per record.
#pragma once

#include <filesystem>
#include <string>

namespace kivo::bench {

// Makes the component files and containers in scratch (an empty folder) and
// stores them as the data store `store`. Returns what failed, or "" when made.
std::string MakeLargeStore(const std::filesystem::path& scratch, const std::filesystem::path& store,
                           int records);

}  // namespace kivo::bench
