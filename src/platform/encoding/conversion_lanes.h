// The two lanes of a video conversion: each takes decoded frames of one
// source stream, brings them to its encoder's form (scaled picture,
// resampled sound) and writes the packets into the shared ASF muxer.
#pragma once

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <memory>
#include <string>

#include "encoder_handles.h"
#include "kivo/encoding/video_conversion.h"

namespace kivo::encoding {

struct ScalerCloser {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using ScalerHandle = std::unique_ptr<SwsContext, ScalerCloser>;

// Sends one frame (null flushes) through `encoder` into `stream` of `muxer`.
std::string EncodeInto(AVFormatContext* muxer, AVStream* stream, AVCodecContext* encoder,
                       const AVFrame* frame);

class VideoLane {
public:
    // Opens the wmv2 encoder for pictures of `decoder`'s size, scaled to fit
    // the settings' box, at `frame_rate`; adds its stream to `muxer`.
    std::string Open(AVFormatContext* muxer, const AVCodecContext* decoder, AVRational frame_rate,
                     const VideoConversionSettings& settings);
    // One decoded picture whose time is `source_ms` after the source's start.
    // Pictures that fall on a time already written are dropped.
    std::string Write(const AVFrame* picture, std::int64_t source_ms);
    std::string Finish();

    std::int64_t frames_written() const { return frames_written_; }
    std::int64_t written_ms() const;
    int width() const { return encoder_ ? encoder_->width : 0; }
    int height() const { return encoder_ ? encoder_->height : 0; }

private:
    AVFormatContext* muxer_ = nullptr;
    AVStream* stream_ = nullptr;
    CodecHandle encoder_;
    ScalerHandle scaler_;
    FrameHandle scaled_;
    int source_width_ = 0;
    int source_height_ = 0;
    AVPixelFormat source_format_ = AV_PIX_FMT_NONE;
    std::int64_t next_pts_ = 0;
    std::int64_t frames_written_ = 0;
};

class AudioLane {
public:
    // Opens the wmav2 encoder for the sound of `decoder` (one or two
    // channels, the nearest rate wmav2 takes); adds its stream to `muxer`.
    std::string Open(AVFormatContext* muxer, const AVCodecContext* decoder,
                     const VideoConversionSettings& settings);
    std::string Write(const AVFrame* sound);
    // Encodes what waits in the queue (the last frame padded with silence).
    std::string Finish();

    std::int64_t frames_written() const { return frames_written_; }
    std::int64_t written_ms() const;

private:
    std::string EncodeQueued(bool final);

    AVFormatContext* muxer_ = nullptr;
    AVStream* stream_ = nullptr;
    CodecHandle encoder_;
    ResamplerHandle resampler_;
    FifoHandle queue_;
    std::int64_t frames_written_ = 0;
};

}  // namespace kivo::encoding
