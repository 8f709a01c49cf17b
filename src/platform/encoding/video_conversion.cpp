// The conversion driver: reads the capture packet by packet, decodes picture
// and sound, hands them to the two lanes, and keeps the target name free of
// anything but a finished file.
#include "kivo/encoding/video_conversion.h"

#include <algorithm>
#include <cstdio>

#include "conversion_lanes.h"

namespace kivo::encoding {
namespace {

constexpr AVRational kMilliseconds{1, 1000};

struct SourceStream {
    int index = -1;
    CodecHandle decoder;
};

std::string OpenDecoder(AVFormatContext* input, AVMediaType type, SourceStream* source) {
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(input, type, -1, -1, &codec, 0);
    if (index < 0 || codec == nullptr)
        return type == AVMEDIA_TYPE_VIDEO ? "the file holds no picture" : "the file holds no sound";
    source->decoder.reset(avcodec_alloc_context3(codec));
    if (!source->decoder)
        return "out of memory";
    avcodec_parameters_to_context(source->decoder.get(), input->streams[index]->codecpar);
    source->decoder->pkt_timebase = input->streams[index]->time_base;
    if (int error = avcodec_open2(source->decoder.get(), codec, nullptr); error < 0)
        return std::string(codec->name) + ": " + ErrorText(error);
    if (type == AVMEDIA_TYPE_VIDEO &&
        (source->decoder->width <= 0 || source->decoder->height <= 0 ||
         source->decoder->width > 8192 || source->decoder->height > 8192))
        return "the picture has no usable size";
    source->index = index;
    return {};
}

// The source's frame rate when it is a sensible one, else 25 per second.
AVRational ChooseFrameRate(AVFormatContext* input, int video_index) {
    const AVRational guessed = av_guess_frame_rate(input, input->streams[video_index], nullptr);
    if (guessed.num <= 0 || guessed.den <= 0)
        return AVRational{25, 1};
    const double rate = av_q2d(guessed);
    if (rate < 1.0 || rate > 60.0)
        return AVRational{25, 1};
    return av_d2q(rate, 1001);
}

class Conversion {
public:
    Conversion(const VideoConversionSettings& settings, ConversionControl* control,
               const ConversionProgress& progress)
        : settings_(settings), control_(control), progress_(progress) {}

    VideoConversionResult Run(const std::string& source_path, const std::string& temp_path);

private:
    std::string Open(const std::string& source_path, const std::string& temp_path);
    // Decodes what `packet` (null: the decoder's rest) gives and writes it.
    std::string Feed(SourceStream& source, const AVPacket* packet);
    std::string WriteFrame(const SourceStream& source, const AVFrame* frame);
    void ReportProgress(const AVPacket& packet);
    std::string Finish();

    const VideoConversionSettings& settings_;
    ConversionControl* control_;
    const ConversionProgress& progress_;
    InputHandle input_;
    OutputHandle output_;
    SourceStream picture_;
    SourceStream sound_;
    VideoLane video_lane_;
    AudioLane audio_lane_;
    std::int64_t start_ms_ = 0;
    std::int64_t duration_ms_ = 0;
    int last_percent_ = -1;
};

std::string Conversion::Open(const std::string& source_path, const std::string& temp_path) {
    AVFormatContext* input = nullptr;
    if (int error = avformat_open_input(&input, source_path.c_str(), nullptr, nullptr); error < 0)
        return source_path + ": " + ErrorText(error);
    input_.reset(input);
    if (int error = avformat_find_stream_info(input, nullptr); error < 0)
        return source_path + ": " + ErrorText(error);
    if (std::string failed = OpenDecoder(input, AVMEDIA_TYPE_VIDEO, &picture_); !failed.empty())
        return failed;
    // A capture without sound still converts: the record then has a silent picture.
    if (!OpenDecoder(input, AVMEDIA_TYPE_AUDIO, &sound_).empty())
        sound_ = SourceStream{};
    start_ms_ = input->start_time != AV_NOPTS_VALUE
                    ? av_rescale_q(input->start_time, AV_TIME_BASE_Q, kMilliseconds)
                    : 0;
    duration_ms_ =
        input->duration > 0 ? av_rescale_q(input->duration, AV_TIME_BASE_Q, kMilliseconds) : 0;

    AVFormatContext* muxer = nullptr;
    if (int error = avformat_alloc_output_context2(&muxer, nullptr, "asf", temp_path.c_str());
        error < 0 || muxer == nullptr)
        return "no ASF writer: " + ErrorText(error);
    output_.reset(muxer);
    if (std::string failed = video_lane_.Open(muxer, picture_.decoder.get(),
                                              ChooseFrameRate(input, picture_.index), settings_);
        !failed.empty())
        return failed;
    if (sound_.decoder) {
        if (std::string failed = audio_lane_.Open(muxer, sound_.decoder.get(), settings_);
            !failed.empty())
            return failed;
    }
    if (int error = avio_open(&muxer->pb, temp_path.c_str(), AVIO_FLAG_WRITE); error < 0)
        return temp_path + ": " + ErrorText(error);
    if (int error = avformat_write_header(muxer, nullptr); error < 0)
        return "header: " + ErrorText(error);
    return {};
}

std::string Conversion::WriteFrame(const SourceStream& source, const AVFrame* frame) {
    if (&source == &sound_)
        return audio_lane_.Write(frame);
    const AVStream* stream = input_->streams[picture_.index];
    const std::int64_t stamp =
        frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
    const std::int64_t source_ms =
        stamp != AV_NOPTS_VALUE ? av_rescale_q(stamp, stream->time_base, kMilliseconds) - start_ms_
                                : video_lane_.written_ms();
    return video_lane_.Write(frame, source_ms);
}

std::string Conversion::Feed(SourceStream& source, const AVPacket* packet) {
    // A damaged packet is skipped: the rest of the capture is still worth keeping.
    if (avcodec_send_packet(source.decoder.get(), packet) < 0 && packet != nullptr)
        return {};
    FrameHandle frame(av_frame_alloc());
    if (!frame)
        return "out of memory";
    for (;;) {
        const int received = avcodec_receive_frame(source.decoder.get(), frame.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return {};
        if (received < 0)
            return {};
        std::string failed = WriteFrame(source, frame.get());
        av_frame_unref(frame.get());
        if (!failed.empty())
            return failed;
        if (settings_.max_duration_ms > 0 &&
            std::max(video_lane_.written_ms(), audio_lane_.written_ms()) >
                settings_.max_duration_ms)
            return "the video runs longer than the longest a record may hold";
    }
}

void Conversion::ReportProgress(const AVPacket& packet) {
    if (!progress_ || duration_ms_ <= 0 || packet.pts == AV_NOPTS_VALUE)
        return;
    const std::int64_t at_ms =
        av_rescale_q(packet.pts, input_->streams[packet.stream_index]->time_base, kMilliseconds) -
        start_ms_;
    const int percent =
        static_cast<int>(std::clamp<std::int64_t>(at_ms * 100 / duration_ms_, 0, 99));
    if (percent > last_percent_) {
        last_percent_ = percent;
        progress_(percent);
    }
}

std::string Conversion::Finish() {
    if (std::string failed = Feed(picture_, nullptr); !failed.empty())
        return failed;
    if (sound_.decoder) {
        if (std::string failed = Feed(sound_, nullptr); !failed.empty())
            return failed;
    }
    if (std::string failed = video_lane_.Finish(); !failed.empty())
        return failed;
    if (sound_.decoder) {
        if (std::string failed = audio_lane_.Finish(); !failed.empty())
            return failed;
    }
    if (int error = av_write_trailer(output_.get()); error < 0)
        return "trailer: " + ErrorText(error);
    if (int error = avio_closep(&output_->pb); error < 0)
        return "close: " + ErrorText(error);
    return {};
}

VideoConversionResult Conversion::Run(const std::string& source_path,
                                      const std::string& temp_path) {
    VideoConversionResult result;
    if (std::string failed = Open(source_path, temp_path); !failed.empty()) {
        result.message = failed;
        return result;
    }
    bool ended_early = false;
    PacketHandle packet(av_packet_alloc());
    if (!packet) {
        result.message = "out of memory";
        return result;
    }
    for (;;) {
        if (control_ != nullptr && control_->abort_requested()) {
            result.outcome = ConversionOutcome::kAborted;
            return result;
        }
        if (control_ != nullptr && control_->stop_requested()) {
            ended_early = true;
            break;
        }
        const int read = av_read_frame(input_.get(), packet.get());
        if (read == AVERROR_EOF)
            break;
        if (read < 0) {
            // The source broke off: what came before it is kept.
            ended_early = true;
            result.message = "the capture breaks off: " + ErrorText(read);
            break;
        }
        ReportProgress(*packet);
        SourceStream* source = packet->stream_index == picture_.index                   ? &picture_
                               : sound_.decoder && packet->stream_index == sound_.index ? &sound_
                                                                                        : nullptr;
        std::string failed = source != nullptr ? Feed(*source, packet.get()) : std::string();
        av_packet_unref(packet.get());
        if (!failed.empty()) {
            result.message = failed;
            return result;
        }
    }
    if (std::string failed = Finish(); !failed.empty()) {
        result.message = failed;
        return result;
    }
    result.outcome = ended_early ? ConversionOutcome::kStopped : ConversionOutcome::kDone;
    result.video_frames = video_lane_.frames_written();
    result.duration_ms = video_lane_.written_ms();
    result.audio_frames = audio_lane_.frames_written();
    result.width = video_lane_.width();
    result.height = video_lane_.height();
    if (progress_)
        progress_(100);
    return result;
}

}  // namespace

VideoConversionResult ConvertToRecordVideo(const std::string& source_path,
                                           const std::string& target_path,
                                           const VideoConversionSettings& settings,
                                           ConversionControl* control,
                                           const ConversionProgress& progress) {
    const std::string temp_path = target_path + ".part";
    VideoConversionResult result;
    {
        Conversion conversion(settings, control, progress);
        result = conversion.Run(source_path, temp_path);
    }  // the files are closed here
    if (result.kept_target() && std::rename(temp_path.c_str(), target_path.c_str()) != 0) {
        result.outcome = ConversionOutcome::kFailed;
        result.message = target_path + ": cannot be written";
    }
    if (!result.kept_target())
        std::remove(temp_path.c_str());
    return result;
}

}  // namespace kivo::encoding
