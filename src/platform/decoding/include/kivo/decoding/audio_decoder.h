// Decoding an audio file to raw PCM of a chosen format, streaming: packets
// are read, decoded and resampled one at a time through fixed buffers, so the
// memory used does not grow with the file's length.
//
// Only local files are opened, and only by the demuxers of the formats this
// program imports (MP3, Ogg, ASF for WMA, WAV, FLAC); anything else is
// refused as unreadable rather than handed to FFmpeg's other parsers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kivo/decoding/decode_status.h"
#include "kivo/decoding/stop_request.h"

namespace kivo::decoding {

// The PCM written: interleaved, little-endian; 16 bits are signed, 8 bits
// unsigned (as in wave files).
struct PcmTarget {
    int channels = 1;  // 1 or 2
    int sample_rate_hz = 8000;
    int bits_per_sample = 16;  // 8 or 16

    int block_align_bytes() const { return channels * (bits_per_sample / 8); }
};

// The tags of the file that help make a record of it; empty when absent.
struct AudioTags {
    std::string title;
    std::string date;  // as the file holds it ("2024", "2024-03-05T10:20:00" ...)
    std::string comment;
};

struct DecodeRequest {
    PcmTarget target;
    const StopRequest* stop = nullptr;  // may be null: no stop
    // The share of the file read so far, 0 to 100, called when it changes.
    std::function<void(int percent)> progress;
};

struct DecodeResult {
    DecodeStatus status;
    std::int64_t frames = 0;  // PCM frames written
    AudioTags tags;
};

// Decodes source_path into a new raw PCM file at raw_path (replaced when it
// exists). On any failure, and on a stop, raw_path is removed again.
DecodeResult DecodeToRawPcm(const std::string& source_path, const std::string& raw_path,
                            const DecodeRequest& request);

}  // namespace kivo::decoding
