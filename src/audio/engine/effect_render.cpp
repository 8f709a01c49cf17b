// Effect values to libsox parameters, and whole-buffer rendering. The
// mapping is documented, row by row, in docs/audio-effects.md; keep the two
// in step.
#include "kivo/audio/effect_render.h"

#include <cstdio>

#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "sox_chain.h"

namespace kivo::audio {

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

bool EffectsLibraryAvailable() {
    return internal::SoxAvailable();
}

EffectStep StepForEffect(int index, int value) {
    const int v = ClampEffectValue(index, value);
    switch (index) {
        case kEffectEcho:
            // One echo, further away and stronger as the value grows.
            return {"echo", {"0.8", "0.9", Number(60 + v * 40), Number(0.35 + v * 0.02)}};
        case kEffectChorus:
            // One voice, deeper and faster modulation as the value grows.
            return {"chorus",
                    {"0.7", "0.9", Number(40 + v), "0.45", Number(0.3 + v * 0.05),
                     Number(1.5 + v * 0.2), "-s"}};
        case kEffectDistortion:
            return {"overdrive", {Number(10 + v * 3), "20"}};
        case kEffectFlanger:
            // delay depth regeneration width speed
            return {"flanger", {"0", Number(1 + v * 0.45), Number(v * 3), "71", "0.5"}};
        case kEffectGargle:
            // Amplitude modulation from a slow wobble to a fast gargle.
            return {"tremolo", {Number(4 + v * 6), "60"}};
        case kEffectEqualizer:
            // A two-octave band around 1 kHz (the heart of speech), cut or
            // boosted by 1.5 dB per step.
            return {"equalizer", {"1000", "2o", Number(v * 1.5)}};
        case kEffectReverb:
            // reverberance hf-damping room-scale stereo-depth pre-delay wet-gain
            return {"reverb", {Number(20 + v * 5), "50", Number(60 + v * 2), "100", "0", "0"}};
        default:
            return {};
    }
}

EffectStep ReverseStep() {
    return {"reverse", {}};
}

std::vector<EffectStep> EffectStepsFor(const EffectSet& effects) {
    std::vector<EffectStep> steps;
    for (int index = kEffectEcho; index < kEffectCount; ++index) {
        if (effects[index].on != 0) {
            steps.push_back(StepForEffect(index, effects[index].value));
        }
    }
    return steps;
}

wavefile::WaveStatus RenderEffects(const wavefile::PcmFormat& format,
                                   const std::vector<std::uint8_t>& pcm,
                                   const std::vector<EffectStep>& steps,
                                   std::vector<std::uint8_t>* out) {
    out->clear();
    if (!format.IsPlayable()) {
        return wavefile::WaveStatus::Error("effects need 8- or 16-bit PCM in one or two channels");
    }
    const auto align = static_cast<std::size_t>(format.block_align_bytes());
    const std::size_t frames = pcm.size() / align;
    out->reserve(frames * align);
    std::vector<float> floats;
    internal::SoxChainInput input{format, pcm.data(), 0, static_cast<std::int64_t>(frames)};
    const internal::SoxSampleSink sink = [&](const std::int32_t* samples, std::size_t count) {
        floats.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            floats[i] = internal::SoxSampleToFloat(samples[i]);
        }
        const std::size_t whole_frames = count / static_cast<std::size_t>(format.channels);
        const std::size_t at = out->size();
        out->resize(at + whole_frames * align);
        wavefile::EncodeFloatToPcm(floats.data(), whole_frames, format, out->data() + at);
        return true;
    };
    wavefile::WaveStatus status = internal::RunSoxChain(input, steps, sink, nullptr);
    if (!status.ok()) {
        out->clear();
        return status;
    }
    if (out->size() != frames * align) {
        const std::size_t made = out->size() / align;
        out->clear();
        return wavefile::WaveStatus::Error("libsox rendered " + std::to_string(made) + " of " +
                                           std::to_string(frames) + " frames");
    }
    return status;
}

wavefile::WaveStatus ReverseWaveFile(const std::string& source_path,
                                     const std::string& target_path) {
    wavefile::WaveData wave;
    wavefile::WaveStatus status = wavefile::ReadWaveFile(source_path, &wave);
    if (!status.ok()) {
        return status;
    }
    const auto format = wave.info.format.AsPlayablePcm();
    if (!format) {
        return wavefile::WaveStatus::Error("only 8- or 16-bit PCM waves can be reversed");
    }
    std::vector<std::uint8_t> reversed;
    status = RenderEffects(*format, wave.samples, {ReverseStep()}, &reversed);
    if (!status.ok()) {
        return status;
    }
    return wavefile::WritePcmWave(target_path, *format, reversed);
}

}  // namespace kivo::audio
