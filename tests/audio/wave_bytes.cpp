// Wave files byte by byte (see wave_bytes.h).
#include "wave_bytes.h"

#include <cstring>

namespace kivo::test {

void AppendU16(Bytes* bytes, std::uint16_t value) {
    bytes->push_back(static_cast<std::uint8_t>(value));
    bytes->push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendU32(Bytes* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void AppendTag(Bytes* bytes, const char* tag) {
    bytes->insert(bytes->end(), tag, tag + 4);
}

Bytes FormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                 std::uint16_t block_align, std::uint16_t bits) {
    Bytes body;
    AppendU16(&body, tag);
    AppendU16(&body, channels);
    AppendU32(&body, rate);
    AppendU32(&body, rate * block_align);
    AppendU16(&body, block_align);
    AppendU16(&body, bits);
    return body;
}

Bytes PcmFormatBody(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    return FormatBody(1, channels, rate, static_cast<std::uint16_t>(channels * (bits / 8)), bits);
}

Bytes ChunkWithSize(const char* tag, std::uint32_t declared_size, const Bytes& body) {
    Bytes chunk;
    AppendTag(&chunk, tag);
    AppendU32(&chunk, declared_size);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Bytes Chunk(const char* tag, const Bytes& body, bool pad) {
    Bytes chunk = ChunkWithSize(tag, static_cast<std::uint32_t>(body.size()), body);
    if (pad && body.size() % 2 == 1) {
        chunk.push_back(0);
    }
    return chunk;
}

Bytes RiffWithSize(std::uint32_t declared_size, const std::vector<Bytes>& chunks) {
    Bytes riff;
    AppendTag(&riff, "RIFF");
    AppendU32(&riff, declared_size);
    AppendTag(&riff, "WAVE");
    for (const Bytes& chunk : chunks) {
        riff.insert(riff.end(), chunk.begin(), chunk.end());
    }
    return riff;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
    std::uint32_t size = 4;
    for (const Bytes& chunk : chunks) {
        size += static_cast<std::uint32_t>(chunk.size());
    }
    return RiffWithSize(size, chunks);
}

}  // namespace kivo::test
