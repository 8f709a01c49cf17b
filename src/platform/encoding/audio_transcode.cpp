// TranscodeAudio: decode, resample, re-frame, encode, mux.
#include "kivo/encoding/audio_transcode.h"

#include <algorithm>
#include <string>

#include "encoder_handles.h"
#include "transcode_output.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace kivo::encoding {
namespace {

// A hostile file may claim any number of channels or any rate.
constexpr int kMaxSourceChannels = 8;
constexpr int kMaxSourceRateHz = 384000;

struct TranscodeInput {
    InputHandle demuxer;
    CodecHandle decoder;
    int stream_index = -1;
    std::int64_t duration_ms = 0;
};

std::string OpenInput(const std::string& path, TranscodeInput* input) {
    AVFormatContext* demuxer = nullptr;
    if (int error = avformat_open_input(&demuxer, path.c_str(), nullptr, nullptr); error < 0)
        return path + ": " + ErrorText(error);
    input->demuxer.reset(demuxer);
    if (int error = avformat_find_stream_info(demuxer, nullptr); error < 0)
        return path + ": " + ErrorText(error);
    const AVCodec* codec = nullptr;
    input->stream_index = av_find_best_stream(demuxer, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (input->stream_index < 0 || codec == nullptr)
        return path + ": no sound in the file";
    input->decoder.reset(avcodec_alloc_context3(codec));
    if (!input->decoder)
        return "out of memory";
    AVStream* stream = demuxer->streams[input->stream_index];
    avcodec_parameters_to_context(input->decoder.get(), stream->codecpar);
    if (int error = avcodec_open2(input->decoder.get(), codec, nullptr); error < 0)
        return path + ": " + ErrorText(error);
    const AVCodecContext* decoder = input->decoder.get();
    if (decoder->ch_layout.nb_channels < 1 || decoder->ch_layout.nb_channels > kMaxSourceChannels ||
        decoder->sample_rate < 1 || decoder->sample_rate > kMaxSourceRateHz) {
        return path + ": unusual sound format";
    }
    if (demuxer->duration > 0)
        input->duration_ms = demuxer->duration / (AV_TIME_BASE / 1000);
    return {};
}

// Resamples decoded frames into the FIFO and hands the encoder whole frames.
class Pipeline {
public:
    Pipeline(TranscodeInput& input, TranscodeOutput& output, const TranscodeProgress& progress,
             std::int64_t max_frames)
        : input_(input), output_(output), progress_(progress), max_frames_(max_frames) {}

    std::string Run(TranscodeResult* result);

private:
    std::string Decoded(const AVFrame* frame);
    std::string Drain(bool final);
    bool KeepGoing(const AVPacket* packet);

    TranscodeInput& input_;
    TranscodeOutput& output_;
    const TranscodeProgress& progress_;
    std::int64_t max_frames_;
    ResamplerHandle resampler_;
    FifoHandle fifo_;
    FrameHandle frame_;
    std::int64_t next_pts_ = 0;
    bool stopped_ = false;
};

std::string Pipeline::Run(TranscodeResult* result) {
    AVCodecContext* decoder = input_.decoder.get();
    AVCodecContext* encoder = output_.encoder.get();
    SwrContext* resampler = nullptr;
    if (swr_alloc_set_opts2(&resampler, &encoder->ch_layout, encoder->sample_fmt,
                            encoder->sample_rate, &decoder->ch_layout, decoder->sample_fmt,
                            decoder->sample_rate, 0, nullptr) < 0 ||
        resampler == nullptr) {
        return "no resampler";
    }
    resampler_.reset(resampler);
    if (int error = swr_init(resampler); error < 0)
        return "resampler: " + ErrorText(error);
    fifo_.reset(av_audio_fifo_alloc(encoder->sample_fmt, encoder->ch_layout.nb_channels,
                                    output_.frame_size));
    PacketHandle packet(av_packet_alloc());
    FrameHandle frame(av_frame_alloc());
    if (!fifo_ || !packet || !frame)
        return "out of memory";

    bool source_done = false;
    while (!source_done) {
        const int read = av_read_frame(input_.demuxer.get(), packet.get());
        if (read < 0) {
            source_done = true;  // end of file (or a torn tail): drain what came
            avcodec_send_packet(input_.decoder.get(), nullptr);
        } else if (packet->stream_index != input_.stream_index) {
            av_packet_unref(packet.get());
            continue;
        } else {
            if (!KeepGoing(packet.get())) {
                result->stopped = true;
                return "stopped";
            }
            const int sent = avcodec_send_packet(input_.decoder.get(), packet.get());
            av_packet_unref(packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA)
                return "decoder: " + ErrorText(sent);
        }
        for (;;) {
            const int got = avcodec_receive_frame(input_.decoder.get(), frame.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                break;
            if (got == AVERROR_INVALIDDATA)
                continue;
            if (got < 0)
                return "decoder: " + ErrorText(got);
            std::string failed = Decoded(frame.get());
            av_frame_unref(frame.get());
            if (!failed.empty())
                return failed;
        }
    }
    if (std::string failed = Decoded(nullptr); !failed.empty())  // the resampler's tail
        return failed;
    if (std::string failed = Drain(true); !failed.empty())
        return failed;
    if (std::string failed = EncodeAndWrite(output_, nullptr); !failed.empty())
        return failed;
    if (int error = av_write_trailer(output_.muxer.get()); error < 0)
        return "trailer: " + ErrorText(error);
    result->frames_written = next_pts_;
    return {};
}

bool Pipeline::KeepGoing(const AVPacket* packet) {
    if (!progress_)
        return true;
    double fraction = 0;
    const AVStream* stream = input_.demuxer->streams[input_.stream_index];
    if (input_.duration_ms > 0 && packet->pts != AV_NOPTS_VALUE) {
        const double at_ms = static_cast<double>(packet->pts) * av_q2d(stream->time_base) * 1000.0;
        fraction = std::clamp(at_ms / static_cast<double>(input_.duration_ms), 0.0, 1.0);
    }
    return progress_(fraction);
}

std::string Pipeline::Decoded(const AVFrame* frame) {
    const AVCodecContext* encoder = output_.encoder.get();
    const int in_samples = frame != nullptr ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(resampler_.get(), in_samples);
    if (room < 0)
        return "resampler: " + ErrorText(room);
    if (room == 0)
        return {};
    uint8_t** buffer = nullptr;
    if (av_samples_alloc_array_and_samples(&buffer, nullptr, encoder->ch_layout.nb_channels, room,
                                           encoder->sample_fmt, 0) < 0) {
        return "out of memory";
    }
    const int converted = swr_convert(
        resampler_.get(), buffer, room,
        frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in_samples);
    std::string failed;
    if (converted < 0)
        failed = "resampler: " + ErrorText(converted);
    else if (converted > 0 && av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(buffer),
                                                  converted) < converted)
        failed = "out of memory";
    av_freep(&buffer[0]);
    av_freep(&buffer);
    if (!failed.empty())
        return failed;
    return Drain(false);
}

// Hands the encoder whole frames; with final, also the short last one.
std::string Pipeline::Drain(bool final) {
    const AVCodecContext* encoder = output_.encoder.get();
    while (av_audio_fifo_size(fifo_.get()) >= output_.frame_size ||
           (final && av_audio_fifo_size(fifo_.get()) > 0)) {
        const int samples = std::min(av_audio_fifo_size(fifo_.get()), output_.frame_size);
        // One frame serves every call (Vorbis takes 64 samples at a time);
        // made writable again when the encoder still holds its buffer.
        if (!frame_ || frame_->nb_samples != samples) {
            frame_.reset(av_frame_alloc());
            if (!frame_)
                return "out of memory";
            frame_->nb_samples = samples;
            av_channel_layout_copy(&frame_->ch_layout, &encoder->ch_layout);
            frame_->format = encoder->sample_fmt;
            frame_->sample_rate = encoder->sample_rate;
            if (av_frame_get_buffer(frame_.get(), 0) < 0)
                return "out of memory";
        } else if (av_frame_make_writable(frame_.get()) < 0) {
            return "out of memory";
        }
        if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data), samples) <
            samples) {
            return "fifo read failed";
        }
        frame_->pts = next_pts_;
        next_pts_ += samples;
        if (max_frames_ > 0 && next_pts_ > max_frames_)
            return "longer than " + std::to_string(max_frames_) + " sample frames";
        if (std::string failed = EncodeAndWrite(output_, frame_.get()); !failed.empty())
            return failed;
    }
    return {};
}

}  // namespace

const char* FileExtension(AudioFormat format) {
    switch (format) {
        case AudioFormat::kMp3:
            return ".mp3";
        case AudioFormat::kOgg:
            return ".ogg";
        case AudioFormat::kWma:
            return ".wma";
        case AudioFormat::kWav:
            break;
    }
    return ".wav";
}

int VoiceBitRate(AudioFormat format, int channels) {
    const int per_channel = format == AudioFormat::kOgg ? 40000 : 48000;
    return format == AudioFormat::kWav ? 0 : per_channel * std::clamp(channels, 1, 2);
}

TranscodeResult TranscodeAudio(const std::string& source_path, const std::string& target_path,
                               const EncodeSettings& settings, const AudioTags& tags,
                               const std::vector<Chapter>& chapters,
                               const TranscodeProgress& progress) {
    TranscodeResult result;
    TranscodeInput input;
    if (std::string failed = OpenInput(source_path, &input); !failed.empty()) {
        result.message = failed;
        return result;
    }
    OutputRequest request;
    request.path = target_path;
    request.settings = settings;
    request.source_rate_hz = input.decoder->sample_rate;
    request.source_channels = input.decoder->ch_layout.nb_channels;
    request.duration_ms = input.duration_ms;
    TranscodeOutput output;
    if (std::string failed = OpenTranscodeOutput(request, tags, chapters, &output);
        !failed.empty()) {
        result.message = failed;
        return result;
    }
    result.sample_rate_hz = output.encoder->sample_rate;
    result.channels = output.encoder->ch_layout.nb_channels;
    Pipeline pipeline(input, output, progress, settings.max_frames);
    result.message = pipeline.Run(&result);
    result.ok = result.message.empty();
    return result;
}

}  // namespace kivo::encoding
