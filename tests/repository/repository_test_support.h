// Helpers for the repository engine's tests: a fixed clock, an engine over an
// in-memory disk, repositories built by hand, and reading back what a
// repository holds.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kivo/filesystem/power_loss_file_system.h"
#include "kivo/repository/engine.h"
#include "kivo/repository/status_record.h"

namespace kivo::repository::test {

using Bytes = std::vector<std::uint8_t>;
using Members = std::map<std::string, Bytes>;

// 2024-05-03 (a Friday) 15:10:20.400 UTC.
SystemTime FixedClock();
// The fixed clock and the smallest compaction window, so compactions of a
// few hundred KiB already take several checkpoints.
EngineOptions TestOptions();

Bytes Pattern(std::size_t size, std::uint32_t seed);
Bytes TextBytes(const std::string& text);

// Every message text of a status record, one per line.
std::string Messages(const StatusRecord& status);

// An engine over an in-memory disk with the folders /src (files to store),
// /out (extraction) and /r (repositories).
struct MemoryDisk {
    MemoryDisk();
    filesystem::PowerLossFileSystem fs;
    Engine engine;

    void AddFile(const std::string& name, const Bytes& bytes);
    Bytes FileBytes(const std::string& path) const;
    // Stores the files through the engine, expecting success.
    void Store(const std::string& repository, const std::vector<std::string>& names);
};

// The live members of a repository, name to data, read through Info and
// LoadFile; a name live twice or a member that does not load fails the test.
std::map<std::string, Bytes> LiveMembers(Engine& engine, const std::string& repository);

struct HandMember {
    std::string name;
    Bytes data;
    bool deleted = false;
};

// An "XR00" repository as the older program wrote it: the 24-byte header,
// the blocks from offset 36, then the 48-byte records.
Bytes BuildXr00(const std::vector<HandMember>& members);

// A sound "XR01" repository holding the members in order, each block with
// its internal entry; times are fixed values, versions count per name.
Bytes BuildXr01(const std::vector<HandMember>& members);

// Little-endian field access.
std::uint32_t U32At(const Bytes& bytes, std::size_t offset);
std::uint64_t U64At(const Bytes& bytes, std::size_t offset);
void SetU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
void SetU64(Bytes& bytes, std::size_t offset, std::uint64_t value);

}  // namespace kivo::repository::test
