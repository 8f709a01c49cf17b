#include "file_bytes.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kivo::test {

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFileText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

std::string ReadFileText(const std::string& path) {
    Bytes bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void CorruptByte(const std::string& path, std::uint64_t offset) {
    Bytes bytes = ReadFileBytes(path);
    if (offset >= bytes.size()) {
        throw std::out_of_range("CorruptByte past the end of " + path);
    }
    bytes[offset] ^= 0xFF;
    WriteFileBytes(path, bytes);
}

void TruncateBy(const std::string& path, std::uint64_t bytes) {
    auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, bytes > size ? 0 : size - bytes);
}

std::uint32_t GetU32(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes.at(offset + i);
    }
    return value;
}

std::uint64_t GetU64(const Bytes& bytes, std::size_t offset) {
    return GetU32(bytes, offset) | (std::uint64_t{GetU32(bytes, offset + 4)} << 32);
}

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void PutU64(Bytes& bytes, std::size_t offset, std::uint64_t value) {
    PutU32(bytes, offset, static_cast<std::uint32_t>(value));
    PutU32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace kivo::test
