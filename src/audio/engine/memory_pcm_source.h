// A PcmSource over PCM bytes in memory: plays frames [first, end) of a
// buffer the caller keeps alive, and counts what it handed out.
#pragma once

#include <cstdint>
#include <vector>

#include "kivo/sound/audio_backend.h"

namespace kivo::audio {

class MemoryPcmSource : public sound::PcmSource {
public:
    MemoryPcmSource(const std::vector<std::uint8_t>& bytes, std::size_t block_align_bytes,
                    std::int64_t first_frame, std::int64_t end_frame);

    std::size_t ReadPcm(std::uint8_t* out, std::size_t max_bytes) override;
    bool AtEnd() const override { return cursor_frame_ >= end_frame_; }
    std::int64_t cursor_frame() const { return cursor_frame_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t align_;
    std::int64_t cursor_frame_;
    std::int64_t end_frame_;
};

}  // namespace kivo::audio
