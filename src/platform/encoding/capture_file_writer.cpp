// The capture file: MJPEG pictures and PCM sound in AVI (see
// capture_file_writer.h).
#include "kivo/encoding/capture_file_writer.h"

#include <algorithm>

#include "conversion_lanes.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace kivo::encoding {

struct CaptureFileWriter::State {
    CaptureFormat format;
    OutputHandle muxer;
    CodecHandle picture_encoder;
    CodecHandle sound_encoder;
    AVStream* picture_stream = nullptr;
    AVStream* sound_stream = nullptr;
    ScalerHandle scaler;
    FrameHandle picture;
    std::int64_t next_picture_pts = 0;
    std::int64_t pictures = 0;
    std::int64_t sound_frames = 0;
    std::string failure;
    bool header_written = false;

    std::string OpenPictureEncoder();
    std::string OpenSoundEncoder();
    std::string Fail(std::string why) {
        if (failure.empty())
            failure = std::move(why);
        return failure;
    }
};

namespace {

std::string AddStream(AVFormatContext* muxer, AVCodecContext* encoder, const AVCodec* codec,
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

std::string CaptureFileWriter::State::OpenPictureEncoder() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (codec == nullptr)
        return "FFmpeg has no Motion JPEG encoder";
    picture_encoder.reset(avcodec_alloc_context3(codec));
    if (!picture_encoder)
        return "out of memory";
    AVCodecContext* encoder = picture_encoder.get();
    encoder->width = format.width;
    encoder->height = format.height;
    encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
    encoder->time_base = AVRational{1, format.frames_per_second};
    encoder->framerate = AVRational{format.frames_per_second, 1};
    // A fixed quality: fine pictures for the conversion that follows.
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = 4 * FF_QP2LAMBDA;
    if (std::string failed = AddStream(muxer.get(), encoder, codec, &picture_stream);
        !failed.empty())
        return failed;
    scaler.reset(sws_getContext(format.width, format.height, AV_PIX_FMT_RGB24, format.width,
                                format.height, AV_PIX_FMT_YUVJ420P, SWS_BILINEAR, nullptr, nullptr,
                                nullptr));
    picture.reset(av_frame_alloc());
    if (!scaler || !picture)
        return "out of memory";
    picture->format = AV_PIX_FMT_YUVJ420P;
    picture->width = format.width;
    picture->height = format.height;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return "out of memory";
    return {};
}

std::string CaptureFileWriter::State::OpenSoundEncoder() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    if (codec == nullptr)
        return "FFmpeg has no PCM encoder";
    sound_encoder.reset(avcodec_alloc_context3(codec));
    if (!sound_encoder)
        return "out of memory";
    AVCodecContext* encoder = sound_encoder.get();
    av_channel_layout_default(&encoder->ch_layout, format.channels);
    encoder->sample_rate = format.sample_rate_hz;
    encoder->sample_fmt = AV_SAMPLE_FMT_S16;
    encoder->time_base = AVRational{1, format.sample_rate_hz};
    return AddStream(muxer.get(), encoder, codec, &sound_stream);
}

CaptureFileWriter::CaptureFileWriter() = default;

CaptureFileWriter::~CaptureFileWriter() {
    Close();
}

std::string CaptureFileWriter::Open(const std::string& path, const CaptureFormat& format) {
    Close();
    if (format.width < 2 || format.height < 2 || format.width > 8192 || format.height > 8192 ||
        format.width % 2 != 0 || format.height % 2 != 0)
        return "the picture size is not one a capture can hold";
    if (format.frames_per_second < 1 || format.frames_per_second > 120 ||
        format.sample_rate_hz < 8000 || format.sample_rate_hz > 192000 || format.channels < 1 ||
        format.channels > 2)
        return "the capture format is not one a capture can hold";
    auto state = std::make_unique<State>();
    state->format = format;
    AVFormatContext* muxer = nullptr;
    if (int error = avformat_alloc_output_context2(&muxer, nullptr, "avi", path.c_str());
        error < 0 || muxer == nullptr)
        return "no AVI writer: " + ErrorText(error);
    state->muxer.reset(muxer);
    if (std::string failed = state->OpenPictureEncoder(); !failed.empty())
        return failed;
    if (std::string failed = state->OpenSoundEncoder(); !failed.empty())
        return failed;
    if (int error = avio_open(&muxer->pb, path.c_str(), AVIO_FLAG_WRITE); error < 0)
        return path + ": " + ErrorText(error);
    if (int error = avformat_write_header(muxer, nullptr); error < 0)
        return "header: " + ErrorText(error);
    state->header_written = true;
    state_ = std::move(state);
    return {};
}

std::string CaptureFileWriter::WritePicture(const std::uint8_t* rgb, int stride,
                                            std::int64_t at_ms) {
    if (!state_)
        return "the capture file is not open";
    State& state = *state_;
    if (!state.failure.empty())
        return state.failure;
    // A picture belongs to the frame slot its time falls in.
    const std::int64_t pts = av_rescale_q_rnd(std::max<std::int64_t>(0, at_ms), AVRational{1, 1000},
                                              state.picture_encoder->time_base, AV_ROUND_DOWN);
    if (pts < state.next_picture_pts)
        return {};
    if (av_frame_make_writable(state.picture.get()) < 0)
        return state.Fail("out of memory");
    const std::uint8_t* planes[1] = {rgb};
    const int strides[1] = {stride};
    sws_scale(state.scaler.get(), planes, strides, 0, state.format.height, state.picture->data,
              state.picture->linesize);
    state.picture->pts = pts;
    state.next_picture_pts = pts + 1;
    ++state.pictures;
    if (std::string failed = EncodeInto(state.muxer.get(), state.picture_stream,
                                        state.picture_encoder.get(), state.picture.get());
        !failed.empty())
        return state.Fail(failed);
    return {};
}

std::string CaptureFileWriter::WriteSound(const std::int16_t* samples, int frames) {
    if (!state_)
        return "the capture file is not open";
    State& state = *state_;
    if (!state.failure.empty())
        return state.failure;
    if (frames <= 0)
        return {};
    FrameHandle sound(av_frame_alloc());
    if (!sound)
        return state.Fail("out of memory");
    sound->format = AV_SAMPLE_FMT_S16;
    sound->sample_rate = state.format.sample_rate_hz;
    av_channel_layout_copy(&sound->ch_layout, &state.sound_encoder->ch_layout);
    sound->nb_samples = frames;
    if (av_frame_get_buffer(sound.get(), 0) < 0)
        return state.Fail("out of memory");
    std::copy_n(samples, static_cast<std::size_t>(frames) * state.format.channels,
                reinterpret_cast<std::int16_t*>(sound->data[0]));
    sound->pts = state.sound_frames;
    state.sound_frames += frames;
    if (std::string failed = EncodeInto(state.muxer.get(), state.sound_stream,
                                        state.sound_encoder.get(), sound.get());
        !failed.empty())
        return state.Fail(failed);
    return {};
}

std::string CaptureFileWriter::Close() {
    if (!state_)
        return {};
    std::unique_ptr<State> state = std::move(state_);
    std::string failed = state->failure;
    auto keep_first = [&failed](std::string why) {
        if (failed.empty())
            failed = std::move(why);
    };
    keep_first(EncodeInto(state->muxer.get(), state->picture_stream, state->picture_encoder.get(),
                          nullptr));
    keep_first(
        EncodeInto(state->muxer.get(), state->sound_stream, state->sound_encoder.get(), nullptr));
    if (int error = av_write_trailer(state->muxer.get()); error < 0)
        keep_first("trailer: " + ErrorText(error));
    if (int error = avio_closep(&state->muxer->pb); error < 0)
        keep_first("close: " + ErrorText(error));
    return failed;
}

void CaptureFileWriter::Flush() {
    if (state_ && state_->muxer && state_->muxer->pb)
        avio_flush(state_->muxer->pb);
}

bool CaptureFileWriter::is_open() const {
    return state_ != nullptr;
}

std::int64_t CaptureFileWriter::pictures_written() const {
    return state_ ? state_->pictures : 0;
}

std::int64_t CaptureFileWriter::sound_frames_written() const {
    return state_ ? state_->sound_frames : 0;
}

}  // namespace kivo::encoding
