// StoreFingerprint: what tells one state of a data store file from another,
// so that a program that let the store's writer lock go can tell, when it
// takes the lock again, whether another writer changed the store meanwhile.
//
// It is the file's identity (device, inode), size, modification and change
// times in nanoseconds and the repository header (36 bytes: the entry count,
// the directory offset and the time the header was last written, to the
// millisecond). Every repository write rewrites the header; deleting in
// place leaves the size alone but not the header's time nor the file's
// times. Two writes by different programs that leave all of these equal
// would have to fall into one millisecond and one tick of the file system's
// clock, with the lock passed between them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

namespace kivo::core {

struct StoreFingerprint {
    bool readable = false;  // false: the file could not be read
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size_bytes = 0;
    std::int64_t modified_ns = 0;
    std::int64_t changed_ns = 0;
    std::array<unsigned char, 36> header{};

    bool operator==(const StoreFingerprint&) const = default;
};

// The fingerprint of the store file at path (symbolic links followed).
StoreFingerprint ReadStoreFingerprint(const std::filesystem::path& store);

}  // namespace kivo::core
