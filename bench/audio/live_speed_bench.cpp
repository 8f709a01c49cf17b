// Live speed at 1.5x: the CPU it takes, as a share of one core while the
// audio plays in real time. Target: under 5 %.
//
// Two measurements:
//  - the speed stage alone over one hour of 8 kHz speech-like audio, fed in
//    the 1024-frame blocks playback uses;
//  - the whole playback path (EffectsPlayer pulling, converting and
//    time-stretching into the virtual speaker on its fast clock) over ten
//    minutes, CPU time of the whole process;
//  - when a sound server is there (scripts/with-test-services.sh), the same
//    through the real output device for 30 s of audio (20 s of playing),
//    CPU time of the whole process including Qt's and PulseAudio's client
//    threads.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "kivo/audio/effects_player.h"
#include "kivo/audio/speed_stage.h"
#include "kivo/sound/qt_audio_backend.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_writer.h"
#include "speech_like_signal.h"

namespace {

constexpr int kRateHz = 8000;
constexpr int kSpeedPercent = 150;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// CPU share of one core when `audio_seconds` of source play at 1.5x.
double CoreShare(double cpu_seconds, double audio_seconds) {
    const double playing_seconds = audio_seconds * 100 / kSpeedPercent;
    return 100 * cpu_seconds / playing_seconds;
}

void SpeedStageAlone() {
    const double audio_seconds = 3600;
    const auto frames = static_cast<std::int64_t>(audio_seconds * kRateHz);
    const auto pcm = kivo::bench::MakeSpeechLike16BitMono(kRateHz, frames);
    const kivo::wavefile::PcmFormat format{1, kRateHz, 16};
    kivo::audio::SpeedStage stage;
    stage.Configure(1, kRateHz);
    stage.SetSpeedPercent(kSpeedPercent);
    std::vector<float> in(1024);
    std::vector<float> out(4096);
    std::vector<std::uint8_t> encoded(out.size() * 2);
    std::int64_t produced = 0;
    const double cpu_start = CpuSeconds();
    for (std::int64_t at = 0; at < frames; at += 1024) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::int64_t>(1024, frames - at));
        kivo::wavefile::DecodePcmToFloat(pcm.data() + at * 2, count, format, in.data());
        stage.Put(in.data(), count);
        std::size_t got = 0;
        while ((got = stage.Receive(out.data(), out.size())) > 0) {
            kivo::wavefile::EncodeFloatToPcm(out.data(), got, format, encoded.data());
            produced += static_cast<std::int64_t>(got);
        }
    }
    const double cpu = CpuSeconds() - cpu_start;
    std::printf("speed stage alone, 1 hour:      %.2f s CPU, %.1f min out, %.2f %% of one core\n",
                cpu, static_cast<double>(produced) / kRateHz / 60, CoreShare(cpu, audio_seconds));
}

int WholePlaybackPath(kivo::sound::AudioBackend& backend, double audio_seconds, const char* label) {
    const auto frames = static_cast<std::int64_t>(audio_seconds * kRateHz);
    QTemporaryDir dir;
    const QString wave = dir.filePath("speech.wav");
    const kivo::wavefile::PcmFormat format{1, kRateHz, 16};
    if (!kivo::wavefile::WritePcmWave(wave.toStdString(), format,
                                      kivo::bench::MakeSpeechLike16BitMono(kRateHz, frames))
             .ok()) {
        std::printf("cannot write the test wave\n");
        return 1;
    }
    kivo::audio::EffectsPlayer player(backend);
    if (player.InitDSound(wave, nullptr, nullptr, nullptr) != 0) {
        std::printf("cannot load the test wave\n");
        return 1;
    }
    kivo::audio::EffectSet effects = kivo::audio::NeutralEffects();
    effects[kivo::audio::kEffectSpeed].value = kSpeedPercent;
    QObject::connect(&player, &kivo::audio::EffectsPlayer::playbackFinished,
                     QCoreApplication::instance(), &QCoreApplication::quit);
    const double cpu_start = CpuSeconds();
    const auto wall_start = std::chrono::steady_clock::now();
    player.PlayDSound(0, effects.data(), kivo::audio::kEffectCount);
    QCoreApplication::exec();
    const double cpu = CpuSeconds() - cpu_start;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    std::printf("%-32s %.2f s CPU (%.2f s wall), %.2f %% of one core\n", label, cpu, wall,
                CoreShare(cpu, audio_seconds));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("live speed %d %%, 8 kHz mono speech-like audio\n", kSpeedPercent);
    SpeedStageAlone();
    kivo::sound::VirtualAudioBackend::Options options;
    options.clock = kivo::sound::VirtualAudioBackend::Clock::kFast;
    options.chunk_ms = 100;
    kivo::sound::VirtualAudioBackend virtual_backend(options);
    int result = WholePlaybackPath(virtual_backend, 600, "whole path, virtual, 10 min:");
    kivo::sound::QtAudioBackend real_backend;
    if (real_backend.OutputDevices().empty()) {
        std::printf("no sound device: real-device measurement skipped\n");
        return result;
    }
    result |= WholePlaybackPath(real_backend, 30, "whole path, real device, 30 s:");
    return result;
}
