// The "KIVW" APPLICATION block of the stored wave form: see stored_wave_block.h.
#include "codec/stored_wave_block.h"

#include <array>

namespace kivo::recordstore {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}
void PutU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}
std::uint64_t GetLe(const std::uint8_t* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::size_t kCrcOffset = 24;

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size_bytes) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < size_bytes; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t StoredWaveBlockCrc(const std::uint8_t* data, std::size_t size_bytes) {
    const std::uint32_t crc = Crc32(0, data, kCrcOffset);
    return Crc32(crc, data + kStoredWaveFixedBytes, size_bytes - kStoredWaveFixedBytes);
}

std::vector<std::uint8_t> SerializeStoredWaveBlock(const StoredWaveBlock& block) {
    std::vector<std::uint8_t> out;
    out.reserve(kStoredWaveFixedBytes + block.head.size() + block.tail.size());
    PutU16(out, kStoredWaveLayoutVersion);
    PutU16(out, block.channels);
    PutU16(out, block.bits_per_sample);
    PutU16(out, block.bytes_per_frame);
    PutU64(out, block.sample_bytes);
    PutU32(out, static_cast<std::uint32_t>(block.head.size()));
    PutU32(out, static_cast<std::uint32_t>(block.tail.size()));
    PutU32(out, 0);  // CRC, filled in below
    out.insert(out.end(), block.head.begin(), block.head.end());
    out.insert(out.end(), block.tail.begin(), block.tail.end());
    const std::uint32_t crc = StoredWaveBlockCrc(out.data(), out.size());
    for (int i = 0; i < 4; ++i)
        out[kCrcOffset + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    return out;
}

bool ParseStoredWaveBlock(const std::uint8_t* data, std::size_t size_bytes, StoredWaveBlock* block,
                          std::string* error) {
    if (size_bytes < kStoredWaveFixedBytes) {
        *error = "stored wave block too short";
        return false;
    }
    if (StoredWaveBlockCrc(data, size_bytes) != GetLe(data + kCrcOffset, 4)) {
        *error = "stored wave block damaged (CRC mismatch)";
        return false;
    }
    if (GetLe(data, 2) != kStoredWaveLayoutVersion) {
        *error = "unknown stored wave layout version " + std::to_string(GetLe(data, 2));
        return false;
    }
    block->channels = static_cast<std::uint16_t>(GetLe(data + 2, 2));
    block->bits_per_sample = static_cast<std::uint16_t>(GetLe(data + 4, 2));
    block->bytes_per_frame = static_cast<std::uint16_t>(GetLe(data + 6, 2));
    block->sample_bytes = GetLe(data + 8, 8);
    const std::uint64_t head_bytes = GetLe(data + 16, 4);
    const std::uint64_t tail_bytes = GetLe(data + 20, 4);

    const unsigned bits = block->bits_per_sample;
    if (block->channels < 1 || block->channels > 8 || (bits != 8 && bits != 16 && bits != 24) ||
        block->bytes_per_frame != block->channels * (bits / 8)) {
        *error = "stored wave block has an impossible sample layout";
        return false;
    }
    if (block->sample_bytes == 0 || block->sample_bytes > kMaxStoredWaveSampleBytes ||
        block->sample_bytes % block->bytes_per_frame != 0) {
        *error = "stored wave block has an impossible sample size";
        return false;
    }
    if (kStoredWaveFixedBytes + head_bytes + tail_bytes != size_bytes) {
        *error = "stored wave block sizes disagree with its length";
        return false;
    }
    const std::uint8_t* head = data + kStoredWaveFixedBytes;
    block->head.assign(head, head + head_bytes);
    block->tail.assign(head + head_bytes, head + head_bytes + tail_bytes);
    return true;
}

}  // namespace kivo::recordstore
