// What a media file holds, read back with libavformat and libavcodec by
// decoding every packet: the container's name, the codecs, and where the
// decoded picture and sound last.
#pragma once

#include <cstdint>
#include <string>

namespace kivo::test {

struct MediaProbe {
    bool opened = false;
    std::string container;  // libavformat's name of the demuxer ("asf")
    std::string video_codec;
    std::string audio_codec;
    int width = 0;
    int height = 0;
    std::int64_t pictures = 0;
    // From the first picture's time to the last one's plus its duration (ASF
    // files may begin their pictures a few milliseconds after zero).
    std::int64_t picture_span_ms = 0;
    std::int64_t sound_ms = 0;  // decoded sample frames over the rate
    double frame_ms = 0;        // one picture's duration
};

MediaProbe ProbeMedia(const std::string& path);

// Writes `seconds` of FFmpeg's test picture (with a sine tone) as an AVI
// capture with the ffmpeg program; false when it could not.
bool WriteTestCapture(const std::string& path, int seconds, int width = 320, int height = 240);

}  // namespace kivo::test
