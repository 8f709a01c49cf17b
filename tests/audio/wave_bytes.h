// Building wave files byte by byte for the reader tests: a chunk list that
// the tests bend into hostile shapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::test {

using Bytes = std::vector<std::uint8_t>;

void AppendU16(Bytes* bytes, std::uint16_t value);
void AppendU32(Bytes* bytes, std::uint32_t value);
void AppendTag(Bytes* bytes, const char* tag);

// A "fmt " body: tag, channels, rate, bytes per second, block align, bits.
Bytes FormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                 std::uint16_t block_align, std::uint16_t bits);
Bytes PcmFormatBody(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);

// A chunk: tag, declared size (the body's size unless given), body, and a pad
// byte when the body is odd and `pad` is set.
Bytes Chunk(const char* tag, const Bytes& body, bool pad = true);
Bytes ChunkWithSize(const char* tag, std::uint32_t declared_size, const Bytes& body);

// "RIFF", size of what follows (unless given), "WAVE", then the chunks.
Bytes Riff(const std::vector<Bytes>& chunks);
Bytes RiffWithSize(std::uint32_t declared_size, const std::vector<Bytes>& chunks);

}  // namespace kivo::test
