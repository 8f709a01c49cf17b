// JournalChecksum: FNV-1a byte by byte, or four lanes of 64-bit words.
#include "journal_checksum.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kivo::repository {
namespace {

constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;

std::uint64_t RotateLeft(std::uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// Little-endian, whatever the machine.
std::uint64_t WordAt(const std::uint8_t* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

std::uint64_t Round(std::uint64_t lane, std::uint64_t word) {
    return RotateLeft(lane + word * kPrime2, 31) * kPrime1;
}

void MixStripe(std::array<std::uint64_t, 4>& lanes, const std::uint8_t* stripe) {
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        lanes[lane] = Round(lanes[lane], WordAt(stripe + lane * 8));
    }
}

}  // namespace

JournalChecksum::JournalChecksum(ChecksumKind kind) : kind_(kind) {
    lanes_ = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
}

void JournalChecksum::Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    total_bytes_ += size;
    if (kind_ == ChecksumKind::kFnv1a) {
        for (std::size_t i = 0; i < size; ++i) {
            fnv_ = (fnv_ ^ bytes[i]) * kFnvPrime;
        }
        return;
    }
    if (pending_bytes_ > 0) {
        const std::size_t taken = std::min(size, kStripeBytes - pending_bytes_);
        std::memcpy(pending_.data() + pending_bytes_, bytes, taken);
        pending_bytes_ += taken;
        bytes += taken;
        size -= taken;
        if (pending_bytes_ < kStripeBytes) {
            return;
        }
        MixStripe(lanes_, pending_.data());
        pending_bytes_ = 0;
    }
    for (; size >= kStripeBytes; bytes += kStripeBytes, size -= kStripeBytes) {
        MixStripe(lanes_, bytes);
    }
    std::memcpy(pending_.data(), bytes, size);
    pending_bytes_ = size;
}

std::uint64_t JournalChecksum::value() const {
    if (kind_ == ChecksumKind::kFnv1a) {
        return fnv_;
    }
    std::uint64_t value = RotateLeft(lanes_[0], 1) + RotateLeft(lanes_[1], 7) +
                          RotateLeft(lanes_[2], 12) + RotateLeft(lanes_[3], 18);
    for (std::uint64_t lane : lanes_) {
        value = (value ^ Round(0, lane)) * kPrime1 + kPrime3;
    }
    value += total_bytes_;
    // The bytes of an unfinished stripe, one at a time.
    for (std::size_t i = 0; i < pending_bytes_; ++i) {
        value = RotateLeft(value ^ (pending_[i] * kPrime3), 11) * kPrime1;
    }
    value ^= value >> 33;
    value *= kPrime2;
    value ^= value >> 29;
    return value;
}

}  // namespace kivo::repository
