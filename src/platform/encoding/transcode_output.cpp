// The encoder and muxer of a transcode, with tags and chapters.
#include "transcode_output.h"

#include <algorithm>
#include <cstdio>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kivo::encoding {
namespace {

struct FormatNames {
    const char* muxer;
    const char* encoder;
};

FormatNames NamesOf(AudioFormat format) {
    switch (format) {
        case AudioFormat::kMp3:
            return {"mp3", "libmp3lame"};
        case AudioFormat::kOgg:
            return {"ogg", "libvorbis"};
        case AudioFormat::kWma:
            return {"asf", "wmav2"};
        case AudioFormat::kWav:
            break;
    }
    return {"wav", "pcm_s16le"};
}

// The source's rate when the encoder takes it, else the nearest it does.
int ChooseRate(const AVCodec* codec, int wanted) {
    const int* rates = codec->supported_samplerates;
    if (rates == nullptr)
        return wanted;
    int best = rates[0];
    for (const int* rate = rates; *rate != 0; ++rate) {
        if (*rate == wanted)
            return wanted;
        if (std::abs(*rate - wanted) < std::abs(best - wanted))
            best = *rate;
    }
    return best;
}

void SetTags(AVDictionary** metadata, const AudioTags& tags) {
    auto set = [metadata](const char* key, const std::string& value) {
        if (!value.empty())
            av_dict_set(metadata, key, value.c_str(), 0);
    };
    set("title", tags.title);
    set("date", tags.date);
    set("comment", tags.comment);
    set("genre", tags.genre);
}

// Chapters in milliseconds, each ending where the next begins (the last at
// the end of the sound). The muxer frees them with its context.
bool AddChapters(AVFormatContext* muxer, const std::vector<Chapter>& chapters,
                 std::int64_t duration_ms) {
    if (chapters.empty())
        return true;
    std::vector<Chapter> sorted = chapters;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Chapter& a, const Chapter& b) { return a.start_ms < b.start_ms; });
    muxer->chapters = static_cast<AVChapter**>(av_calloc(sorted.size(), sizeof(AVChapter*)));
    if (muxer->chapters == nullptr)
        return false;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (chapter == nullptr)
            return false;
        muxer->chapters[muxer->nb_chapters++] = chapter;
        chapter->id = static_cast<std::int64_t>(i + 1);
        chapter->time_base = AVRational{1, 1000};
        chapter->start = std::max<std::int64_t>(0, sorted[i].start_ms);
        const std::int64_t next = i + 1 < sorted.size() ? sorted[i + 1].start_ms : duration_ms;
        chapter->end = std::max(chapter->start, next);
        av_dict_set(&chapter->metadata, "title", sorted[i].title.c_str(), 0);
    }
    return true;
}

// Ogg's writer keeps no chapters of its own: they go into the Vorbis
// comments as CHAPTERxx=HH:MM:SS.mmm and CHAPTERxxNAME=title, the form
// podcast players and FFmpeg's reader take as chapters.
void AddVorbisChapterComments(AVDictionary** metadata, const std::vector<Chapter>& chapters) {
    std::vector<Chapter> sorted = chapters;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Chapter& a, const Chapter& b) { return a.start_ms < b.start_ms; });
    const int digits = sorted.size() < 100 ? 2 : 3;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::int64_t ms = std::max<std::int64_t>(0, sorted[i].start_ms);
        char key[32];
        char time[32];
        std::snprintf(key, sizeof key, "CHAPTER%0*zu", digits, i + 1);
        std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld.%03lld",
                      static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                      static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
        av_dict_set(metadata, key, time, 0);
        av_dict_set(metadata, (std::string(key) + "NAME").c_str(), sorted[i].title.c_str(), 0);
    }
}

std::string OpenEncoder(const OutputRequest& request, TranscodeOutput* output) {
    const FormatNames names = NamesOf(request.settings.format);
    const AVCodec* codec = avcodec_find_encoder_by_name(names.encoder);
    if (codec == nullptr)
        return std::string("FFmpeg has no encoder ") + names.encoder;
    output->encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* encoder = output->encoder.get();
    if (encoder == nullptr)
        return "out of memory";
    const int channels =
        request.settings.channels > 0 ? request.settings.channels : request.source_channels;
    av_channel_layout_default(&encoder->ch_layout, std::clamp(channels, 1, 2));
    const int rate = request.settings.sample_rate_hz > 0 ? request.settings.sample_rate_hz
                                                         : request.source_rate_hz;
    encoder->sample_rate = ChooseRate(codec, rate);
    encoder->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    encoder->time_base = AVRational{1, encoder->sample_rate};
    if (request.settings.format != AudioFormat::kWav) {
        if (request.settings.format == AudioFormat::kOgg && request.settings.vorbis_quality >= -1) {
            encoder->flags |= AV_CODEC_FLAG_QSCALE;
            encoder->global_quality =
                static_cast<int>(request.settings.vorbis_quality * FF_QP2LAMBDA);
        } else {
            encoder->bit_rate =
                request.settings.bit_rate_bps > 0
                    ? request.settings.bit_rate_bps
                    : VoiceBitRate(request.settings.format, encoder->ch_layout.nb_channels);
        }
    }
    if (output->muxer->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int error = avcodec_open2(encoder, codec, nullptr); error < 0)
        return std::string(names.encoder) + ": " + ErrorText(error);
    output->frame_size = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    return {};
}

}  // namespace

std::string OpenTranscodeOutput(const OutputRequest& request, const AudioTags& tags,
                                const std::vector<Chapter>& chapters, TranscodeOutput* output) {
    const FormatNames names = NamesOf(request.settings.format);
    AVFormatContext* muxer = nullptr;
    if (int error =
            avformat_alloc_output_context2(&muxer, nullptr, names.muxer, request.path.c_str());
        error < 0 || muxer == nullptr) {
        return "no " + std::string(names.muxer) + " writer: " + ErrorText(error);
    }
    output->muxer.reset(muxer);
    if (std::string failed = OpenEncoder(request, output); !failed.empty())
        return failed;
    output->stream = avformat_new_stream(muxer, nullptr);
    if (output->stream == nullptr)
        return "out of memory";
    avcodec_parameters_from_context(output->stream->codecpar, output->encoder.get());
    output->stream->time_base = output->encoder->time_base;
    SetTags(&muxer->metadata, tags);
    if (request.settings.format == AudioFormat::kOgg) {
        AddVorbisChapterComments(&muxer->metadata, chapters);
    } else if (request.settings.format != AudioFormat::kWav &&
               !AddChapters(muxer, chapters, request.duration_ms)) {
        return "out of memory";
    }
    if (int error = avio_open(&muxer->pb, request.path.c_str(), AVIO_FLAG_WRITE); error < 0)
        return request.path + ": " + ErrorText(error);
    if (int error = avformat_write_header(muxer, nullptr); error < 0)
        return "header: " + ErrorText(error);
    return {};
}

std::string EncodeAndWrite(TranscodeOutput& output, const AVFrame* frame) {
    AVCodecContext* encoder = output.encoder.get();
    if (int error = avcodec_send_frame(encoder, frame); error < 0)
        return "encoder: " + ErrorText(error);
    PacketHandle packet(av_packet_alloc());
    if (!packet)
        return "out of memory";
    for (;;) {
        const int received = avcodec_receive_packet(encoder, packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return {};
        if (received < 0)
            return "encoder: " + ErrorText(received);
        av_packet_rescale_ts(packet.get(), encoder->time_base, output.stream->time_base);
        packet->stream_index = output.stream->index;
        if (int error = av_interleaved_write_frame(output.muxer.get(), packet.get()); error < 0)
            return "write: " + ErrorText(error);
    }
}

}  // namespace kivo::encoding
