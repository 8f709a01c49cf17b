#include "kivo/audio/wave_merge.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <filesystem>
#include <memory>

#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::audio {
namespace {

struct SwrFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

AVSampleFormat SampleFormatOf(const wavefile::PcmFormat& format) {
    return format.bits_per_sample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

}  // namespace

bool ConvertPcm(const wavefile::PcmFormat& from, const std::vector<std::uint8_t>& samples,
                const wavefile::PcmFormat& to, std::vector<std::uint8_t>* converted) {
    AVChannelLayout in_layout, out_layout;
    av_channel_layout_default(&in_layout, from.channels);
    av_channel_layout_default(&out_layout, to.channels);
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &out_layout, AV_SAMPLE_FMT_S16, to.sample_rate_hz, &in_layout,
                            SampleFormatOf(from), from.sample_rate_hz, 0, nullptr) < 0) {
        return false;
    }
    std::unique_ptr<SwrContext, SwrFree> context(raw);
    // A mono part goes into both channels at its own loudness (the default
    // matrix puts the centre 3 dB down into each).
    if (from.channels == 1 && to.channels == 2) {
        const double both[2] = {1.0, 1.0};
        if (swr_set_matrix(context.get(), both, 1) < 0)
            return false;
    }
    if (swr_init(context.get()) < 0)
        return false;
    const int in_frames = static_cast<int>(samples.size() / from.block_align_bytes());
    const int capacity = swr_get_out_samples(context.get(), in_frames) + 64;
    const std::size_t frame_bytes = static_cast<std::size_t>(to.channels) * 2;
    converted->assign(static_cast<std::size_t>(capacity) * frame_bytes, 0);
    std::uint8_t* out = converted->data();
    const std::uint8_t* in = samples.data();
    int written = swr_convert(context.get(), &out, capacity, &in, in_frames);
    if (written < 0)
        return false;
    // What the resampler still holds (its filter delay).
    std::uint8_t* tail = converted->data() + static_cast<std::size_t>(written) * frame_bytes;
    const int flushed = swr_convert(context.get(), &tail, capacity - written, nullptr, 0);
    if (flushed < 0)
        return false;
    converted->resize(static_cast<std::size_t>(written + flushed) * frame_bytes);
    return true;
}

WaveMergeResult MergeWaves(const std::vector<std::string>& part_paths,
                           const std::string& output_path) {
    WaveMergeResult result;
    if (part_paths.empty()) {
        result.error = "there is nothing to merge";
        return result;
    }
    std::vector<wavefile::WaveData> parts(part_paths.size());
    std::vector<wavefile::PcmFormat> formats;
    result.format = {1, 0, 16};
    for (std::size_t i = 0; i < part_paths.size(); ++i) {
        const auto status = wavefile::ReadWaveFile(part_paths[i], &parts[i]);
        const auto format = status.ok() ? parts[i].info.format.AsPlayablePcm() : std::nullopt;
        if (!format) {
            result.error = part_paths[i] + " is not a PCM wave that can be merged";
            return result;
        }
        formats.push_back(*format);
        result.format.channels = std::max(result.format.channels, format->channels);
        result.format.sample_rate_hz =
            std::max(result.format.sample_rate_hz, format->sample_rate_hz);
    }
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::vector<std::uint8_t> converted;
        if (!ConvertPcm(formats[i], parts[i].samples, result.format, &converted)) {
            result.error = "the resampler cannot convert " + part_paths[i];
            return result;
        }
        const std::uint64_t frames = converted.size() / result.format.block_align_bytes();
        result.part_frames.push_back(frames);
        result.frames += frames;
        joined.insert(joined.end(), converted.begin(), converted.end());
    }
    const std::string temporary = output_path + ".merging";
    if (!wavefile::WritePcmWave(temporary, result.format, joined).ok()) {
        std::filesystem::remove(temporary);
        result.error = "cannot write " + output_path;
        return result;
    }
    std::error_code error;
    std::filesystem::rename(temporary, output_path, error);
    if (error) {
        std::filesystem::remove(temporary);
        result.error = "cannot write " + output_path + ": " + error.message();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace kivo::audio
