// Byte-level helpers for tests that build, inspect or damage files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::test {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
void WriteFileText(const std::string& path, const std::string& text);
std::string ReadFileText(const std::string& path);

// Damaging helpers: flip one byte, drop the last n bytes.
void CorruptByte(const std::string& path, std::uint64_t offset);
void TruncateBy(const std::string& path, std::uint64_t bytes);

// Little-endian field access inside a byte buffer.
std::uint32_t GetU32(const Bytes& bytes, std::size_t offset);
std::uint64_t GetU64(const Bytes& bytes, std::size_t offset);
void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
void PutU64(Bytes& bytes, std::size_t offset, std::uint64_t value);

}  // namespace kivo::test
