// The stored form of a PCM wave is a FLAC stream whose APPLICATION metadata
// block (id "KIVW") keeps what FLAC itself does not: the wave's head and tail
// bytes and the sample layout. Layout of the block's data after its 4-byte
// id (all integers little-endian; docs/formats/media-codec.md):
//
//   offset  size  field
//   0       2     layout version (1)
//   2       2     channels (1..8)
//   4       2     bits per sample (8, 16 or 24)
//   6       2     bytes per frame (channels * bits / 8)
//   8       8     sample bytes (whole frames; at most 2^32 - 1)
//   16      4     head bytes H
//   20      4     tail bytes T
//   24      4     CRC-32 (ISO-HDLC, as zlib) of every other byte of the block
//                 data: bytes 0-23, then the head and the tail
//   28      H     head: the wave file's bytes before its first sample
//   28+H    T     tail: the bytes after its last whole frame
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::recordstore {

inline constexpr char kStoredWaveApplicationId[4] = {'K', 'I', 'V', 'W'};
inline constexpr std::uint16_t kStoredWaveLayoutVersion = 1;
inline constexpr std::size_t kStoredWaveFixedBytes = 28;
// A FLAC metadata block holds at most 2^24 - 1 bytes, the id included.
inline constexpr std::uint64_t kMaxFlacMetadataBlockBytes = (1u << 24) - 1;
inline constexpr std::uint64_t kMaxStoredWaveKeptBytes =
    kMaxFlacMetadataBlockBytes - sizeof kStoredWaveApplicationId - kStoredWaveFixedBytes;
// A wave's data chunk size is a 32-bit field.
inline constexpr std::uint64_t kMaxStoredWaveSampleBytes = 0xFFFFFFFFu;

struct StoredWaveBlock {
    std::uint16_t channels = 0;
    std::uint16_t bits_per_sample = 0;
    std::uint16_t bytes_per_frame = 0;
    std::uint64_t sample_bytes = 0;
    std::vector<std::uint8_t> head;
    std::vector<std::uint8_t> tail;
};

// The block data after the id.
std::vector<std::uint8_t> SerializeStoredWaveBlock(const StoredWaveBlock& block);

// Parses and checks block data (after the id); false with *error when any
// field is out of range, the sizes disagree or the CRC does not match.
bool ParseStoredWaveBlock(const std::uint8_t* data, std::size_t size_bytes, StoredWaveBlock* block,
                          std::string* error);

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size_bytes);

// The CRC that offset 24 of serialized block data (at least
// kStoredWaveFixedBytes long) must hold.
std::uint32_t StoredWaveBlockCrc(const std::uint8_t* data, std::size_t size_bytes);

}  // namespace kivo::recordstore
