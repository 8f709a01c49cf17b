// Pictures from an FFmpeg input (see ffmpeg_camera_source.h).
#include "ffmpeg_camera_source.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <mutex>
#include <thread>

namespace kivo::video {
namespace {

QString ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

void RegisterDevicesOnce() {
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

}  // namespace

struct FfmpegCameraSource::Decoding {
    AVFormatContext* input = nullptr;
    AVCodecContext* decoder = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int stream = -1;
    int width = 0;
    int height = 0;

    ~Decoding() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&input);
    }
};

FfmpegCameraSource::FfmpegCameraSource(FfmpegCameraInput input) : input_(std::move(input)) {}

FfmpegCameraSource::~FfmpegCameraSource() = default;

bool FfmpegCameraSource::Fail(const QString& why) {
    error_ = why;
    return false;
}

QString FfmpegCameraSource::Open() {
    RegisterDevicesOnce();
    auto decoding = std::make_unique<Decoding>();
    const AVInputFormat* format = nullptr;
    if (!input_.format.empty()) {
        format = av_find_input_format(input_.format.c_str());
        if (format == nullptr)
            return QStringLiteral("FFmpeg has no %1 input")
                .arg(QString::fromStdString(input_.format));
    }
    // The blocking reads of a device return when the capture is interrupted.
    decoding->input = avformat_alloc_context();
    decoding->input->interrupt_callback.callback = [](void* flag) {
        return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0;
    };
    decoding->input->interrupt_callback.opaque = &interrupted_;
    if (int error = avformat_open_input(&decoding->input, input_.url.c_str(), format, nullptr);
        error < 0)
        return QString::fromStdString(input_.url) + ": " + ErrorText(error);
    if (int error = avformat_find_stream_info(decoding->input, nullptr); error < 0)
        return ErrorText(error);
    const AVCodec* codec = nullptr;
    decoding->stream = av_find_best_stream(decoding->input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (decoding->stream < 0 || codec == nullptr)
        return QStringLiteral("the device gives no pictures");
    AVStream* stream = decoding->input->streams[decoding->stream];
    decoding->decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoding->decoder, stream->codecpar);
    if (int error = avcodec_open2(decoding->decoder, codec, nullptr); error < 0)
        return ErrorText(error);
    // Even sizes: the capture file's pictures are halved for colour.
    decoding->width = decoding->decoder->width & ~1;
    decoding->height = decoding->decoder->height & ~1;
    if (decoding->width < 2 || decoding->height < 2 || decoding->width > 4096 ||
        decoding->height > 4096)
        return QStringLiteral("the device's pictures have no usable size");
    const AVRational rate = av_guess_frame_rate(decoding->input, stream, nullptr);
    const double per_second = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 25.0;
    frames_per_second_ =
        per_second >= 1 && per_second <= 60 ? static_cast<int>(per_second + 0.5) : 25;
    decoding_ = std::move(decoding);
    paced_from_ = std::chrono::steady_clock::now();
    return {};
}

QSize FfmpegCameraSource::picture_size() const {
    return decoding_ ? QSize(decoding_->width, decoding_->height) : QSize();
}

bool FfmpegCameraSource::Rewind() {
    pace_offset_ms_ = last_picture_ms_ + 1000 / frames_per_second_;
    avcodec_flush_buffers(decoding_->decoder);
    return av_seek_frame(decoding_->input, decoding_->stream, 0, AVSEEK_FLAG_BACKWARD) >= 0;
}

bool FfmpegCameraSource::Next(QImage* picture) {
    if (!decoding_)
        return Fail(QStringLiteral("the camera is not open"));
    Decoding& d = *decoding_;
    const AVStream* stream = d.input->streams[d.stream];
    for (;;) {
        if (interrupted_.load())
            return Fail(QStringLiteral("the capture was stopped"));
        const int received = avcodec_receive_frame(d.decoder, d.frame);
        if (received == 0)
            break;
        if (received != AVERROR(EAGAIN))
            return Fail(ErrorText(received));
        const int read = av_read_frame(d.input, d.packet);
        if (read == AVERROR_EOF && input_.loops) {
            if (!Rewind())
                return Fail(QStringLiteral("the video file cannot start over"));
            continue;
        }
        if (read < 0)
            return Fail(read == AVERROR_EOF ? QStringLiteral("the camera gives no more pictures")
                                            : ErrorText(read));
        if (d.packet->stream_index == d.stream)
            avcodec_send_packet(d.decoder, d.packet);  // a damaged picture is skipped
        av_packet_unref(d.packet);
    }
    const std::int64_t stamp = d.frame->best_effort_timestamp;
    const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const std::int64_t at_ms =
        pace_offset_ms_ +
        (stamp != AV_NOPTS_VALUE ? av_rescale_q(stamp - start, stream->time_base, {1, 1000}) : 0);
    last_picture_ms_ = at_ms;
    if (input_.paced)
        std::this_thread::sleep_until(paced_from_ + std::chrono::milliseconds(at_ms));

    QImage image(d.width, d.height, QImage::Format_RGB888);
    d.scaler = sws_getCachedContext(d.scaler, d.frame->width, d.frame->height,
                                    static_cast<AVPixelFormat>(d.frame->format), d.width, d.height,
                                    AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (d.scaler == nullptr) {
        av_frame_unref(d.frame);
        return Fail(QStringLiteral("the camera's pictures cannot be converted"));
    }
    std::uint8_t* planes[1] = {image.bits()};
    const int strides[1] = {static_cast<int>(image.bytesPerLine())};
    sws_scale(d.scaler, d.frame->data, d.frame->linesize, 0, d.frame->height, planes, strides);
    av_frame_unref(d.frame);
    *picture = std::move(image);
    return true;
}

}  // namespace kivo::video
