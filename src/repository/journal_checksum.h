// The checksums that tell a complete journal from a torn one.
//
// Journals of the first layout ("XRJOURN1") and every compaction checkpoint
// slot carry a 64-bit FNV-1a of their bytes. The body of a journal of the
// second layout ("XRJOURN2") carries a checksum over 64-bit words in four
// independent lanes (each round as in xxHash64), about ten times faster: a
// store into a repository of 10,000 members saves its whole directory, about
// 1 MiB, and FNV-1a, one multiplication per byte, took a millisecond of it.
// Both are streamed: the bytes may come in pieces of any size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kivo::repository {

enum class ChecksumKind { kFnv1a, kWordLanes };

class JournalChecksum {
public:
    explicit JournalChecksum(ChecksumKind kind);

    void Add(const void* data, std::size_t size);
    // The checksum of everything added so far.
    std::uint64_t value() const;

private:
    static constexpr std::size_t kStripeBytes = 32;

    ChecksumKind kind_;
    std::uint64_t fnv_ = 0xcbf29ce484222325ULL;
    std::array<std::uint64_t, 4> lanes_{};
    std::array<std::uint8_t, kStripeBytes> pending_{};
    std::size_t pending_bytes_ = 0;
    std::uint64_t total_bytes_ = 0;
};

}  // namespace kivo::repository
