// A buffer that begins at a page boundary and spans whole pages, for bytes
// that pass through the process on their way from one file to another.
//
// On the machines Kivo runs on, the kernel copies a file's pages into or out
// of memory that begins a few bytes into a page several times more slowly
// than into memory that begins at a page boundary (a 1 MiB std::vector's data
// begins 16 bytes into a page), so every copy buffer of the libraries is one
// of these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::filesystem {

class PageAlignedBuffer {
public:
    // At least size_bytes, rounded up to whole pages; an empty buffer for 0.
    explicit PageAlignedBuffer(std::size_t size_bytes);
    ~PageAlignedBuffer();
    PageAlignedBuffer(PageAlignedBuffer&& other) noexcept;
    PageAlignedBuffer& operator=(PageAlignedBuffer&& other) noexcept;
    PageAlignedBuffer(const PageAlignedBuffer&) = delete;
    PageAlignedBuffer& operator=(const PageAlignedBuffer&) = delete;

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_bytes_; }

    // The size of a memory page on this machine.
    static std::size_t PageBytes();

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_bytes_ = 0;
};

}  // namespace kivo::filesystem
