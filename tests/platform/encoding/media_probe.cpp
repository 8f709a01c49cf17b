#include "media_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kivo::test {
namespace {

struct Decoder {
    int index = -1;
    AVCodecContext* context = nullptr;
    ~Decoder() { avcodec_free_context(&context); }
    bool Open(AVFormatContext* input, AVMediaType type) {
        const AVCodec* codec = nullptr;
        index = av_find_best_stream(input, type, -1, -1, &codec, 0);
        if (index < 0)
            return false;
        context = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(context, input->streams[index]->codecpar);
        return avcodec_open2(context, codec, nullptr) == 0;
    }
};

}  // namespace

MediaProbe ProbeMedia(const std::string& path) {
    MediaProbe probe;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0)
        return probe;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> closer(
        input, [](AVFormatContext* context) { avformat_close_input(&context); });
    if (avformat_find_stream_info(input, nullptr) < 0)
        return probe;
    probe.opened = true;
    probe.container = input->iformat->name;
    Decoder picture;
    Decoder sound;
    if (picture.Open(input, AVMEDIA_TYPE_VIDEO)) {
        probe.video_codec = avcodec_get_name(picture.context->codec_id);
        probe.width = picture.context->width;
        probe.height = picture.context->height;
        const AVRational rate = av_guess_frame_rate(input, input->streams[picture.index], nullptr);
        probe.frame_ms = rate.num > 0 ? 1000.0 * rate.den / rate.num : 0;
    }
    if (sound.Open(input, AVMEDIA_TYPE_AUDIO))
        probe.audio_codec = avcodec_get_name(sound.context->codec_id);
    std::int64_t sound_samples = 0;
    std::int64_t first_ms = INT64_MAX;
    std::int64_t last_ms = INT64_MIN;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](Decoder& decoder) {
        while (avcodec_receive_frame(decoder.context, frame) == 0) {
            if (&decoder == &sound) {
                sound_samples += frame->nb_samples;
            } else {
                ++probe.pictures;
                const std::int64_t ms =
                    av_rescale_q(frame->best_effort_timestamp,
                                 input->streams[picture.index]->time_base, {1, 1000});
                first_ms = std::min(first_ms, ms);
                last_ms = std::max(last_ms, ms);
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        Decoder* decoder = packet->stream_index == picture.index ? &picture
                           : packet->stream_index == sound.index ? &sound
                                                                 : nullptr;
        if (decoder != nullptr && decoder->context != nullptr &&
            avcodec_send_packet(decoder->context, packet) == 0)
            drain(*decoder);
        av_packet_unref(packet);
    }
    for (Decoder* decoder : {&picture, &sound}) {
        if (decoder->context != nullptr && avcodec_send_packet(decoder->context, nullptr) == 0)
            drain(*decoder);
    }
    if (probe.pictures > 0)
        probe.picture_span_ms =
            last_ms - first_ms + static_cast<std::int64_t>(probe.frame_ms + 0.5);
    if (sound.context != nullptr && sound.context->sample_rate > 0)
        probe.sound_ms = sound_samples * 1000 / sound.context->sample_rate;
    av_frame_free(&frame);
    av_packet_free(&packet);
    return probe;
}

bool WriteTestCapture(const std::string& path, int seconds, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i testsrc=d=" + std::to_string(seconds) + ":s=" + size +
        ":r=25 -f lavfi -i sine=d=" + std::to_string(seconds) +
        ":sample_rate=44100 -c:v mjpeg -q:v 5 -c:a pcm_s16le '" + path + "'";
    return std::system(command.c_str()) == 0;
}

}  // namespace kivo::test
