// The picture lane (scale to yuv420p, wmv2) and the sound lane (resample,
// queue to the encoder's frame size, wmav2) of a video conversion.
#include "conversion_lanes.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace kivo::encoding {
namespace {

int EvenAtLeastTwo(int value) {
    return std::max(2, value & ~1);
}

// The picture size that fits the box, keeping the shape.
void FitInto(int width, int height, int max_width, int max_height, int* out_width,
             int* out_height) {
    double scale = 1.0;
    if (max_width > 0 && width > max_width)
        scale = std::min(scale, static_cast<double>(max_width) / width);
    if (max_height > 0 && height > max_height)
        scale = std::min(scale, static_cast<double>(max_height) / height);
    *out_width = EvenAtLeastTwo(static_cast<int>(width * scale));
    *out_height = EvenAtLeastTwo(static_cast<int>(height * scale));
}

int NearestRate(const AVCodec* codec, int wanted) {
    const int* rates = codec->supported_samplerates;
    if (rates == nullptr)
        return wanted;
    int best = rates[0];
    for (const int* rate = rates; *rate != 0; ++rate) {
        if (std::abs(*rate - wanted) < std::abs(best - wanted))
            best = *rate;
    }
    return best;
}

std::string OpenEncoder(AVFormatContext* muxer, AVCodecContext* encoder, const AVCodec* codec,
                        AVStream** stream) {
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int error = avcodec_open2(encoder, codec, nullptr); error < 0)
        return std::string(codec->name) + ": " + ErrorText(error);
    *stream = avformat_new_stream(muxer, nullptr);
    if (*stream == nullptr)
        return "out of memory";
    avcodec_parameters_from_context((*stream)->codecpar, encoder);
    (*stream)->time_base = encoder->time_base;
    return {};
}

}  // namespace

std::string EncodeInto(AVFormatContext* muxer, AVStream* stream, AVCodecContext* encoder,
                       const AVFrame* frame) {
    if (int error = avcodec_send_frame(encoder, frame); error < 0)
        return std::string(encoder->codec->name) + ": " + ErrorText(error);
    PacketHandle packet(av_packet_alloc());
    if (!packet)
        return "out of memory";
    for (;;) {
        const int received = avcodec_receive_packet(encoder, packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return {};
        if (received < 0)
            return std::string(encoder->codec->name) + ": " + ErrorText(received);
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (int error = av_interleaved_write_frame(muxer, packet.get()); error < 0)
            return "write: " + ErrorText(error);
    }
}

std::string VideoLane::Open(AVFormatContext* muxer, const AVCodecContext* decoder,
                            AVRational frame_rate, const VideoConversionSettings& settings) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMV2);
    if (codec == nullptr)
        return "FFmpeg has no wmv2 encoder";
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        return "out of memory";
    muxer_ = muxer;
    source_width_ = decoder->width;
    source_height_ = decoder->height;
    source_format_ = decoder->pix_fmt;
    FitInto(decoder->width, decoder->height, settings.max_width, settings.max_height,
            &encoder_->width, &encoder_->height);
    encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder_->time_base = av_inv_q(frame_rate);
    encoder_->framerate = frame_rate;
    encoder_->bit_rate = settings.video_bit_rate_bps;
    encoder_->gop_size = std::max(1, frame_rate.num / std::max(1, frame_rate.den)) * 5;
    encoder_->sample_aspect_ratio = AVRational{1, 1};
    scaled_.reset(av_frame_alloc());
    if (!scaled_)
        return "out of memory";
    scaled_->format = AV_PIX_FMT_YUV420P;
    scaled_->width = encoder_->width;
    scaled_->height = encoder_->height;
    if (av_frame_get_buffer(scaled_.get(), 0) < 0)
        return "out of memory";
    return OpenEncoder(muxer, encoder_.get(), codec, &stream_);
}

std::string VideoLane::Write(const AVFrame* picture, std::int64_t source_ms) {
    // A picture whose size or form changed half way gets a scaler of its own.
    if (!scaler_ || picture->width != source_width_ || picture->height != source_height_ ||
        picture->format != source_format_) {
        source_width_ = picture->width;
        source_height_ = picture->height;
        source_format_ = static_cast<AVPixelFormat>(picture->format);
        scaler_.reset(sws_getContext(source_width_, source_height_, source_format_, encoder_->width,
                                     encoder_->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                     nullptr, nullptr));
        if (!scaler_)
            return "cannot scale a picture of this form";
    }
    const std::int64_t pts = av_rescale_q(std::max<std::int64_t>(0, source_ms), AVRational{1, 1000},
                                          encoder_->time_base);
    if (pts < next_pts_)
        return {};
    if (av_frame_make_writable(scaled_.get()) < 0)
        return "out of memory";
    sws_scale(scaler_.get(), picture->data, picture->linesize, 0, source_height_, scaled_->data,
              scaled_->linesize);
    scaled_->pts = pts;
    next_pts_ = pts + 1;
    ++frames_written_;
    return EncodeInto(muxer_, stream_, encoder_.get(), scaled_.get());
}

std::string VideoLane::Finish() {
    if (!encoder_)
        return {};
    return EncodeInto(muxer_, stream_, encoder_.get(), nullptr);
}

std::int64_t VideoLane::written_ms() const {
    if (!encoder_)
        return 0;
    return av_rescale_q(next_pts_, encoder_->time_base, AVRational{1, 1000});
}

std::string AudioLane::Open(AVFormatContext* muxer, const AVCodecContext* decoder,
                            const VideoConversionSettings& settings) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (codec == nullptr)
        return "FFmpeg has no wmav2 encoder";
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        return "out of memory";
    muxer_ = muxer;
    av_channel_layout_default(&encoder_->ch_layout,
                              std::clamp(decoder->ch_layout.nb_channels, 1, 2));
    encoder_->sample_rate = NearestRate(codec, decoder->sample_rate);
    encoder_->sample_fmt =
        codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    encoder_->time_base = AVRational{1, encoder_->sample_rate};
    encoder_->bit_rate = settings.audio_bit_rate_bps;
    if (std::string failed = OpenEncoder(muxer, encoder_.get(), codec, &stream_); !failed.empty())
        return failed;
    SwrContext* resampler = nullptr;
    if (swr_alloc_set_opts2(&resampler, &encoder_->ch_layout, encoder_->sample_fmt,
                            encoder_->sample_rate,
                            const_cast<AVChannelLayout*>(&decoder->ch_layout), decoder->sample_fmt,
                            decoder->sample_rate, 0, nullptr) < 0 ||
        resampler == nullptr) {
        return "cannot resample this sound";
    }
    resampler_.reset(resampler);
    if (swr_init(resampler) < 0)
        return "cannot resample this sound";
    queue_.reset(av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels,
                                     encoder_->frame_size > 0 ? encoder_->frame_size : 2048));
    if (!queue_)
        return "out of memory";
    return {};
}

std::string AudioLane::Write(const AVFrame* sound) {
    const int room = swr_get_out_samples(resampler_.get(), sound->nb_samples);
    if (room < 0)
        return "cannot resample this sound";
    FrameHandle converted(av_frame_alloc());
    if (!converted)
        return "out of memory";
    converted->format = encoder_->sample_fmt;
    converted->sample_rate = encoder_->sample_rate;
    av_channel_layout_copy(&converted->ch_layout, &encoder_->ch_layout);
    converted->nb_samples = std::max(1, room);
    if (av_frame_get_buffer(converted.get(), 0) < 0)
        return "out of memory";
    const int made =
        swr_convert(resampler_.get(), converted->data, converted->nb_samples,
                    const_cast<const std::uint8_t**>(sound->extended_data), sound->nb_samples);
    if (made < 0)
        return "cannot resample this sound";
    if (made > 0 &&
        av_audio_fifo_write(queue_.get(), reinterpret_cast<void**>(converted->data), made) < made)
        return "out of memory";
    return EncodeQueued(false);
}

std::string AudioLane::EncodeQueued(bool final) {
    const int frame_size = encoder_->frame_size > 0 ? encoder_->frame_size : 2048;
    while (av_audio_fifo_size(queue_.get()) >= frame_size ||
           (final && av_audio_fifo_size(queue_.get()) > 0)) {
        FrameHandle frame(av_frame_alloc());
        if (!frame)
            return "out of memory";
        frame->format = encoder_->sample_fmt;
        frame->sample_rate = encoder_->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
        frame->nb_samples = frame_size;
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            return "out of memory";
        av_samples_set_silence(frame->data, 0, frame_size, encoder_->ch_layout.nb_channels,
                               encoder_->sample_fmt);
        const int taken =
            av_audio_fifo_read(queue_.get(), reinterpret_cast<void**>(frame->data), frame_size);
        frame->pts = frames_written_;
        frames_written_ += taken;
        if (std::string failed = EncodeInto(muxer_, stream_, encoder_.get(), frame.get());
            !failed.empty())
            return failed;
    }
    return {};
}

std::string AudioLane::Finish() {
    if (!encoder_)
        return {};
    // What the resampler still holds, then the queue, then the encoder.
    for (;;) {
        std::uint8_t* planes[8] = {};
        FrameHandle rest(av_frame_alloc());
        if (!rest)
            return "out of memory";
        rest->format = encoder_->sample_fmt;
        av_channel_layout_copy(&rest->ch_layout, &encoder_->ch_layout);
        rest->nb_samples = 1024;
        if (av_frame_get_buffer(rest.get(), 0) < 0)
            return "out of memory";
        for (int i = 0; i < 8 && rest->data[i] != nullptr; ++i)
            planes[i] = rest->data[i];
        const int made = swr_convert(resampler_.get(), planes, rest->nb_samples, nullptr, 0);
        if (made <= 0)
            break;
        if (av_audio_fifo_write(queue_.get(), reinterpret_cast<void**>(rest->data), made) < made)
            return "out of memory";
    }
    if (std::string failed = EncodeQueued(true); !failed.empty())
        return failed;
    return EncodeInto(muxer_, stream_, encoder_.get(), nullptr);
}

std::int64_t AudioLane::written_ms() const {
    if (!encoder_)
        return 0;
    return av_rescale(frames_written_, 1000, encoder_->sample_rate);
}

}  // namespace kivo::encoding
