// The writing side of a transcode: the muxer of the chosen format with its
// tags and chapters, and the encoder whose packets it writes.
#pragma once

#include <string>
#include <vector>

#include "encoder_handles.h"
#include "kivo/encoding/audio_transcode.h"

namespace kivo::encoding {

struct TranscodeOutput {
    OutputHandle muxer;
    CodecHandle encoder;
    AVStream* stream = nullptr;
    int frame_size = 0;  // samples per frame the encoder takes
};

struct OutputRequest {
    std::string path;
    EncodeSettings settings;
    int source_rate_hz = 0;
    int source_channels = 0;
    std::int64_t duration_ms = 0;  // of the source; ends the last chapter
};

// Opens the file, the encoder and writes the header. Empty message on
// success; FFmpeg's reason otherwise.
std::string OpenTranscodeOutput(const OutputRequest& request, const AudioTags& tags,
                                const std::vector<Chapter>& chapters, TranscodeOutput* output);

// Sends one frame (null to drain) and writes every packet that comes back.
// Empty message on success.
std::string EncodeAndWrite(TranscodeOutput& output, const AVFrame* frame);

}  // namespace kivo::encoding
