// Handing out PCM frames from memory.
#include "memory_pcm_source.h"

#include <algorithm>
#include <cstring>

namespace kivo::audio {

MemoryPcmSource::MemoryPcmSource(const std::vector<std::uint8_t>& bytes,
                                 std::size_t block_align_bytes, std::int64_t first_frame,
                                 std::int64_t end_frame)
    : bytes_(bytes), align_(block_align_bytes), cursor_frame_(first_frame) {
    const auto frames = static_cast<std::int64_t>(align_ == 0 ? 0 : bytes.size() / align_);
    end_frame_ = std::clamp<std::int64_t>(end_frame, 0, frames);
    cursor_frame_ = std::clamp<std::int64_t>(cursor_frame_, 0, end_frame_);
}

std::size_t MemoryPcmSource::ReadPcm(std::uint8_t* out, std::size_t max_bytes) {
    if (align_ == 0) {
        return 0;
    }
    const auto frames = std::min<std::int64_t>(static_cast<std::int64_t>(max_bytes / align_),
                                               end_frame_ - cursor_frame_);
    if (frames <= 0) {
        return 0;
    }
    const std::size_t size = static_cast<std::size_t>(frames) * align_;
    std::memcpy(out, bytes_.data() + static_cast<std::size_t>(cursor_frame_) * align_, size);
    cursor_frame_ += frames;
    return size;
}

}  // namespace kivo::audio
