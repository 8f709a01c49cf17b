// Owning handles for the FFmpeg objects of one transcode: each frees its
// object with the matching FFmpeg call, on every path.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <string>

namespace kivo::encoding {

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputCloser {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ResamplerCloser {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct FifoCloser {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct FrameCloser {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketCloser {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using InputHandle = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputHandle = std::unique_ptr<AVFormatContext, OutputCloser>;
using CodecHandle = std::unique_ptr<AVCodecContext, CodecCloser>;
using ResamplerHandle = std::unique_ptr<SwrContext, ResamplerCloser>;
using FifoHandle = std::unique_ptr<AVAudioFifo, FifoCloser>;
using FrameHandle = std::unique_ptr<AVFrame, FrameCloser>;
using PacketHandle = std::unique_ptr<AVPacket, PacketCloser>;

// FFmpeg's text for an error code.
inline std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace kivo::encoding
