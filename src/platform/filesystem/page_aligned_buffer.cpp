// PageAlignedBuffer: whole pages at a page boundary.
#include "kivo/filesystem/page_aligned_buffer.h"

#include <unistd.h>

#include <cstdlib>
#include <new>
#include <utility>

namespace kivo::filesystem {

std::size_t PageAlignedBuffer::PageBytes() {
    long page_bytes = sysconf(_SC_PAGESIZE);
    return page_bytes > 0 ? static_cast<std::size_t>(page_bytes) : 4096;
}

PageAlignedBuffer::PageAlignedBuffer(std::size_t size_bytes) {
    if (size_bytes == 0) {
        return;
    }
    const std::size_t page_bytes = PageBytes();
    size_bytes_ = (size_bytes + page_bytes - 1) / page_bytes * page_bytes;
    data_ = static_cast<std::uint8_t*>(std::aligned_alloc(page_bytes, size_bytes_));
    if (data_ == nullptr) {
        throw std::bad_alloc();
    }
}

PageAlignedBuffer::~PageAlignedBuffer() {
    std::free(data_);
}

PageAlignedBuffer::PageAlignedBuffer(PageAlignedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_bytes_(std::exchange(other.size_bytes_, 0)) {}

PageAlignedBuffer& PageAlignedBuffer::operator=(PageAlignedBuffer&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_bytes_ = std::exchange(other.size_bytes_, 0);
    }
    return *this;
}

}  // namespace kivo::filesystem
