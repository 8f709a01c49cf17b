// Little-endian integers and the FNV-1a 64 checksum of the component
// journal, and a bounds-checked reader for the bytes of one commit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivo::recordstore::journal_bytes {

inline void PutU32(std::string* out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back(static_cast<char>((value >> shift) & 0xff));
}

inline void PutU64(std::string* out, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        out->push_back(static_cast<char>((value >> shift) & 0xff));
}

inline std::uint32_t GetU32(const char* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(at[i]);
    return value;
}

inline std::uint64_t GetU64(const char* at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(at[i]);
    return value;
}

class Fnv1a64Hash {
public:
    void Add(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            value_ ^= static_cast<unsigned char>(data[i]);
            value_ *= 0x100000001b3ull;
        }
    }
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ull;
};

inline std::uint64_t Fnv1a64(const char* data, std::size_t size) {
    Fnv1a64Hash hash;
    hash.Add(data, size);
    return hash.value();
}

// Reads fields from a byte range; every read fails once the range would be
// overrun, and nothing is read past it.
class Reader {
public:
    Reader(const char* data, std::size_t size) : data_(data), size_(size) {}

    bool U8(std::uint8_t* value) {
        if (size_ - at_ < 1)
            return false;
        *value = static_cast<std::uint8_t>(data_[at_++]);
        return true;
    }
    bool U32(std::uint32_t* value) {
        if (size_ - at_ < 4)
            return false;
        *value = GetU32(data_ + at_);
        at_ += 4;
        return true;
    }
    bool U64(std::uint64_t* value) {
        if (size_ - at_ < 8)
            return false;
        *value = GetU64(data_ + at_);
        at_ += 8;
        return true;
    }
    bool Text(std::size_t length, std::string* value) {
        if (size_ - at_ < length)
            return false;
        value->assign(data_ + at_, length);
        at_ += length;
        return true;
    }
    bool AtEnd() const { return at_ == size_; }

private:
    const char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace kivo::recordstore::journal_bytes
