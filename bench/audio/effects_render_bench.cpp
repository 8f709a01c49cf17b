// Renders one hour of 8 kHz speech-like audio through every effect, one at a
// time and all together, and prints each as a real-time factor (audio time /
// wall time). Target: above 50x.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "effect_stream.h"
#include "kivo/audio/effect_render.h"
#include "speech_like_signal.h"

namespace {

using kivo::audio::EffectStep;
using kivo::wavefile::PcmFormat;

constexpr int kRateHz = 8000;
constexpr double kAudioSeconds = 3600;

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void Report(const std::string& name, double wall_seconds) {
    std::printf("%-28s %8.2f s   %8.1fx real time\n", name.c_str(), wall_seconds,
                kAudioSeconds / wall_seconds);
}

bool Render(const std::string& name, const PcmFormat& format, const std::vector<std::uint8_t>& pcm,
            const std::vector<EffectStep>& steps) {
    std::vector<std::uint8_t> out;
    const auto start = std::chrono::steady_clock::now();
    const auto status = kivo::audio::RenderEffects(format, pcm, steps, &out);
    const auto wall = Seconds(std::chrono::steady_clock::now() - start);
    if (!status.ok()) {
        std::printf("%s failed: %s\n", name.c_str(), status.message().c_str());
        return false;
    }
    Report(name, wall);
    return true;
}

}  // namespace

int main() {
    const PcmFormat format{1, kRateHz, 16};
    const auto frames = static_cast<std::int64_t>(kAudioSeconds * kRateHz);
    std::printf("one hour of 8 kHz mono 16-bit speech-like audio (%lld frames)\n",
                static_cast<long long>(frames));
    const auto pcm = kivo::bench::MakeSpeechLike16BitMono(kRateHz, frames);

    bool ok = true;
    const struct {
        const char* name;
        int index;
        int value;
    } effects[] = {
        {"echo (7)", kivo::audio::kEffectEcho, 7},
        {"chorus (17)", kivo::audio::kEffectChorus, 17},
        {"distortion (5)", kivo::audio::kEffectDistortion, 5},
        {"flanger (10)", kivo::audio::kEffectFlanger, 10},
        {"gargle (7)", kivo::audio::kEffectGargle, 7},
        {"equalizer (4)", kivo::audio::kEffectEqualizer, 4},
        {"reverb (7)", kivo::audio::kEffectReverb, 7},
    };
    std::vector<EffectStep> all;
    for (const auto& effect : effects) {
        const EffectStep step = kivo::audio::StepForEffect(effect.index, effect.value);
        ok = Render(effect.name, format, pcm, {step}) && ok;
        all.push_back(step);
    }
    ok = Render("reverse", format, pcm, {kivo::audio::ReverseStep()}) && ok;
    ok = Render("all seven together", format, pcm, all) && ok;

    // The way playback renders: the worker thread, read in 1024-frame blocks.
    kivo::audio::internal::EffectStream stream;
    auto shared = std::make_shared<const std::vector<std::uint8_t>>(pcm);
    std::vector<float> block(1024);
    const auto start = std::chrono::steady_clock::now();
    stream.Start(shared, format, 0, all);
    bool finished = false;
    std::int64_t read = 0;
    while (!finished) {
        const std::size_t got = stream.Read(block.data(), block.size(), &finished);
        read += static_cast<std::int64_t>(got);
        if (got == 0 && !finished) {
            std::this_thread::yield();
        }
    }
    Report("all seven, playback worker", Seconds(std::chrono::steady_clock::now() - start));
    if (read != frames || !stream.error().empty()) {
        std::printf("playback worker rendered %lld of %lld frames %s\n",
                    static_cast<long long>(read), static_cast<long long>(frames),
                    stream.error().c_str());
        ok = false;
    }
    return ok ? 0 : 1;
}
