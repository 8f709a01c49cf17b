// Streaming decode of an audio file to raw PCM (see audio_decoder.h).
#include "kivo/decoding/audio_decoder.h"

#include <algorithm>
#include <vector>

#include "decoder_handles.h"
#include "raw_pcm_output.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace kivo::decoding {
namespace {

using Code = DecodeStatus::Code;

// The demuxers an imported file may be read by, and the one protocol.
constexpr const char* kAllowedFormats = "mp3,ogg,asf,wav,flac";
constexpr const char* kAllowedProtocols = "file";
// A decoded frame larger than this many samples is taken as hostile.
constexpr int kMaxFrameSamples = 1 << 20;

std::string ErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    return text;
}

// FFmpeg's interrupt callback: a blocking read gives up once stop is asked.
int StopRequested(void* opaque) {
    const auto* stop = static_cast<const StopRequest*>(opaque);
    return stop != nullptr && stop->requested() ? 1 : 0;
}

std::string TagOf(const AVDictionary* container, const AVDictionary* stream, const char* key) {
    for (const AVDictionary* tags : {container, stream}) {
        if (const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, 0))
            return entry->value;
    }
    return {};
}

AudioTags TagsOf(const AVFormatContext* format, const AVStream* stream) {
    AudioTags tags;
    tags.title = TagOf(format->metadata, stream->metadata, "title");
    tags.date = TagOf(format->metadata, stream->metadata, "date");
    if (tags.date.empty())
        tags.date = TagOf(format->metadata, stream->metadata, "creation_time");
    tags.comment = TagOf(format->metadata, stream->metadata, "comment");
    return tags;
}

// One decode: the opened file, its decoder, the resampler and the output.
class Decode {
public:
    Decode(const DecodeRequest& request, RawPcmOutput* output)
        : request_(request), output_(output) {}

    DecodeStatus Open(const std::string& source_path);
    DecodeStatus Run();
    std::int64_t frames() const { return frames_; }
    AudioTags tags() const { return TagsOf(format_.get(), format_->streams[stream_index_]); }

private:
    DecodeStatus OpenResampler();
    DecodeStatus SendAndReceive(const AVPacket* packet);
    DecodeStatus Resample(const AVFrame* frame);
    void ReportProgress();
    bool stopped() const { return request_.stop != nullptr && request_.stop->requested(); }

    const DecodeRequest& request_;
    RawPcmOutput* output_;
    FormatContext format_;
    CodecContext codec_;
    Resampler resampler_;
    Frame frame_{av_frame_alloc()};
    Packet packet_{av_packet_alloc()};
    std::vector<std::uint8_t> converted_;
    int stream_index_ = -1;
    std::int64_t frames_ = 0;
    std::int64_t source_bytes_ = 0;
    int last_percent_ = -1;
};

DecodeStatus Decode::Open(const std::string& source_path) {
    AVFormatContext* raw_format = avformat_alloc_context();
    if (raw_format == nullptr || !frame_ || !packet_)
        return {Code::kIoError, "out of memory"};
    raw_format->interrupt_callback = {StopRequested, const_cast<StopRequest*>(request_.stop)};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", kAllowedProtocols, 0);
    av_dict_set(&options, "format_whitelist", kAllowedFormats, 0);
    const int opened = avformat_open_input(&raw_format, source_path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)  // avformat_open_input frees the context on failure
        return {Code::kUnreadable, "not a readable audio file (" + ErrorText(opened) + ")"};
    format_.reset(raw_format);
    if (const int found = avformat_find_stream_info(format_.get(), nullptr); found < 0)
        return {Code::kUnreadable, "no stream information (" + ErrorText(found) + ")"};

    const AVCodec* decoder = nullptr;
    stream_index_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_index_ < 0 || decoder == nullptr)
        return {Code::kUnreadable, "no audio stream that can be decoded"};
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_)
        return {Code::kIoError, "out of memory"};
    const AVStream* stream = format_->streams[stream_index_];
    if (avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0 ||
        avcodec_open2(codec_.get(), decoder, nullptr) < 0)
        return {Code::kUndecodable, std::string("the ") + decoder->name + " decoder refused it"};
    source_bytes_ = format_->pb != nullptr ? avio_size(format_->pb) : 0;
    return {};
}

DecodeStatus Decode::OpenResampler() {
    AVChannelLayout input_layout;
    if (codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || codec_->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&input_layout, std::max(1, codec_->ch_layout.nb_channels));
    else if (av_channel_layout_copy(&input_layout, &codec_->ch_layout) < 0)
        return {Code::kIoError, "out of memory"};
    AVChannelLayout output_layout;
    av_channel_layout_default(&output_layout, request_.target.channels);
    const AVSampleFormat output_format =
        request_.target.bits_per_sample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    SwrContext* raw = nullptr;
    const int allocated =
        swr_alloc_set_opts2(&raw, &output_layout, output_format, request_.target.sample_rate_hz,
                            &input_layout, codec_->sample_fmt, codec_->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&input_layout);
    av_channel_layout_uninit(&output_layout);
    resampler_.reset(raw);
    if (allocated < 0 || codec_->sample_rate <= 0 || swr_init(resampler_.get()) < 0)
        return {Code::kUndecodable,
                "the audio cannot be resampled (" + std::to_string(codec_->sample_rate) + " Hz)"};
    return {};
}

DecodeStatus Decode::Resample(const AVFrame* frame) {
    if (!resampler_) {
        if (DecodeStatus opened = OpenResampler(); !opened.ok())
            return opened;
    }
    const int input_samples = frame != nullptr ? frame->nb_samples : 0;
    if (input_samples > kMaxFrameSamples)
        return {Code::kUndecodable, "a decoded frame is implausibly large"};
    const int room = swr_get_out_samples(resampler_.get(), input_samples);
    if (room < 0)
        return {Code::kUndecodable, "resampling failed"};
    converted_.resize(static_cast<std::size_t>(room + 16) * request_.target.block_align_bytes());
    std::uint8_t* planes[] = {converted_.data()};
    const int converted = swr_convert(
        resampler_.get(), planes, room + 16,
        frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr,
        input_samples);
    if (converted < 0)
        return {Code::kUndecodable, "resampling failed (" + ErrorText(converted) + ")"};
    if (!output_->Write(converted_.data(),
                        static_cast<std::size_t>(converted) * request_.target.block_align_bytes()))
        return {Code::kIoError, "the converted audio could not be written"};
    frames_ += converted;
    return {};
}

DecodeStatus Decode::SendAndReceive(const AVPacket* packet) {
    const int sent = avcodec_send_packet(codec_.get(), packet);
    // A damaged packet is skipped, as players do; the decode goes on.
    if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF && sent != AVERROR_INVALIDDATA)
        return {Code::kUndecodable, "decoding failed (" + ErrorText(sent) + ")"};
    for (;;) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return {};
        if (received == AVERROR_INVALIDDATA)
            continue;
        if (received < 0)
            return {Code::kUndecodable, "decoding failed (" + ErrorText(received) + ")"};
        DecodeStatus resampled = Resample(frame_.get());
        av_frame_unref(frame_.get());
        if (!resampled.ok())
            return resampled;
    }
}

void Decode::ReportProgress() {
    if (!request_.progress || source_bytes_ <= 0)
        return;
    const std::int64_t at = std::clamp<std::int64_t>(avio_tell(format_->pb), 0, source_bytes_);
    const int percent = static_cast<int>(at * 100 / source_bytes_);
    if (percent != last_percent_) {
        last_percent_ = percent;
        request_.progress(percent);
    }
}

DecodeStatus Decode::Run() {
    for (;;) {
        if (stopped())
            return {Code::kStopped, "Import stopped"};
        const int read = av_read_frame(format_.get(), packet_.get());
        if (read == AVERROR_EOF || (read < 0 && format_->pb != nullptr && avio_feof(format_->pb)))
            break;
        if (stopped())
            return {Code::kStopped, "Import stopped"};
        if (read < 0)
            return {Code::kUndecodable, "the file could not be read (" + ErrorText(read) + ")"};
        DecodeStatus step;
        if (packet_->stream_index == stream_index_)
            step = SendAndReceive(packet_.get());
        av_packet_unref(packet_.get());
        if (!step.ok())
            return step;
        ReportProgress();
    }
    if (DecodeStatus drained = SendAndReceive(nullptr); !drained.ok())
        return drained;
    if (resampler_) {
        if (DecodeStatus flushed = Resample(nullptr); !flushed.ok())
            return flushed;
    }
    if (frames_ == 0)
        return {Code::kEmpty, "the file holds no sound"};
    if (request_.progress)
        request_.progress(100);
    return {};
}

}  // namespace

DecodeResult DecodeToRawPcm(const std::string& source_path, const std::string& raw_path,
                            const DecodeRequest& request) {
    // Failures reach the caller as reasons; FFmpeg's own log stays quiet.
    av_log_set_level(AV_LOG_QUIET);
    DecodeResult result;
    const PcmTarget& target = request.target;
    if ((target.channels != 1 && target.channels != 2) ||
        (target.bits_per_sample != 8 && target.bits_per_sample != 16) ||
        target.sample_rate_hz < 1000 || target.sample_rate_hz > 192000) {
        result.status = {Code::kIoError, "unsupported target format"};
        return result;
    }
    RawPcmOutput output(raw_path);
    Decode decode(request, &output);
    result.status = decode.Open(source_path);
    if (result.status.ok()) {
        result.tags = decode.tags();
        if (!output.Open())
            result.status = {Code::kIoError, "the converted audio could not be written"};
    }
    if (result.status.ok())
        result.status = decode.Run();
    if (result.status.ok() && !output.Finish())
        result.status = {Code::kIoError, "the converted audio could not be written"};
    if (!result.status.ok()) {
        output.Discard();
        return result;
    }
    result.frames = decode.frames();
    return result;
}

}  // namespace kivo::decoding
