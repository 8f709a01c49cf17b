// The virtual sound card: the input tape, the output wave, the clocks and
// the environment that selects it.
#include <gtest/gtest.h>

#include <QByteArray>
#include <filesystem>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/sound/audio_backend_factory.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "memory_pcm_source.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using test::Frames;
using test::MakeCountingPattern;
using wavefile::PcmFormat;

const PcmFormat kMono8k{1, 8000, 16};

TEST(VirtualInput, DeliversTheTapeFrameForFrameAndContinuesAcrossStreams) {
    test::TempDir dir;
    const auto tape = MakeCountingPattern(kMono8k, 8000);
    test::WriteWave(dir.file("in.wav"), kMono8k, tape);
    sound::VirtualAudioBackend backend(test::ManualOptions(dir.file("in.wav"), ""));

    QString error;
    auto first = backend.OpenInput({}, kMono8k, &error);
    ASSERT_TRUE(first) << error.toStdString();
    int notifications = 0;
    QObject::connect(first.get(), &sound::AudioInputStream::dataArrived, [&] { ++notifications; });
    ASSERT_TRUE(first->Start(&error));
    backend.Advance(100);
    test::PumpEvents();
    EXPECT_EQ(notifications, 1);
    std::vector<std::uint8_t> got;
    EXPECT_EQ(first->ReadAvailable(&got), 1600u);
    EXPECT_EQ(got, Frames(tape, kMono8k, 0, 800));
    first->Stop();
    backend.Advance(100);  // a stopped stream takes nothing
    EXPECT_EQ(backend.tape_position_frames(), 800);

    auto second = backend.OpenInput({}, kMono8k, &error);
    ASSERT_TRUE(second->Start(&error));
    backend.Advance(50);
    got.clear();
    second->ReadAvailable(&got);
    EXPECT_EQ(got, Frames(tape, kMono8k, 800, 400));
}

TEST(VirtualInput, SilenceWithoutATapeAndAfterItsEnd) {
    test::TempDir dir;
    test::WriteWave(dir.file("in.wav"), kMono8k, MakeCountingPattern(kMono8k, 80));
    sound::VirtualAudioBackend backend(test::ManualOptions(dir.file("in.wav"), ""));
    QString error;
    auto input = backend.OpenInput({}, kMono8k, &error);
    input->Start(&error);
    backend.Advance(20);  // 160 frames: 80 of tape, 80 of silence
    std::vector<std::uint8_t> got;
    input->ReadAvailable(&got);
    ASSERT_EQ(got.size(), 320u);
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin() + 160, got.end()),
              std::vector<std::uint8_t>(160, 0));

    sound::VirtualAudioBackend no_tape(test::ManualOptions("", ""));
    auto silent = no_tape.OpenInput({}, PcmFormat{1, 22050, 8}, &error);
    silent->Start(&error);
    no_tape.Advance(20);
    got.clear();
    silent->ReadAvailable(&got);
    EXPECT_EQ(got, std::vector<std::uint8_t>(441, 0x80));
}

TEST(VirtualInput, ConvertsTheTapeToTheRequestedFormat) {
    test::TempDir dir;
    test::WriteWave(dir.file("in.wav"), kMono8k, test::MakeTone(kMono8k, 500, 1000));
    sound::VirtualAudioBackend backend(test::ManualOptions(dir.file("in.wav"), ""));
    QString error;
    const PcmFormat cd{2, 44100, 16};
    auto input = backend.OpenInput({}, cd, &error);
    input->Start(&error);
    backend.Advance(500);
    std::vector<std::uint8_t> got;
    input->ReadAvailable(&got);
    EXPECT_EQ(got.size(), 22050u * 4);
    EXPECT_GT(test::ToneShare(got, cd, 500), 0.9);
}

TEST(VirtualInput, UnreadableTapeIsReportedWhenOpening) {
    test::TempDir dir;
    test::WriteFileText(dir.file("in.wav"), "not a wave");
    sound::VirtualAudioBackend backend(test::ManualOptions(dir.file("in.wav"), ""));
    QString error;
    EXPECT_FALSE(backend.OpenInput({}, kMono8k, &error));
    EXPECT_TRUE(error.contains("in.wav"));
}

TEST(VirtualOutput, AppendsEverythingPlayedToTheOutputWave) {
    test::TempDir dir;
    sound::VirtualAudioBackend backend(test::ManualOptions("", dir.file("out.wav")));
    const auto first = MakeCountingPattern(kMono8k, 1000);
    const auto second = test::MakeTone(kMono8k, 300, 100);
    for (const auto* pcm : {&first, &second}) {
        MemoryPcmSource source(*pcm, 2, 0, test::FrameCount(*pcm, kMono8k));
        QString error;
        auto output = backend.OpenOutput({}, kMono8k, &error);
        bool finished = false;
        QObject::connect(output.get(), &sound::AudioOutputStream::finished,
                         [&] { finished = true; });
        ASSERT_TRUE(output->Start(&source, &error));
        test::AdvanceAndPump(backend, 200);
        EXPECT_TRUE(finished);
        EXPECT_EQ(output->PlayedFrames(), test::FrameCount(*pcm, kMono8k));
    }
    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(test::ReadWaveSamples(dir.file("out.wav")), expected);
}

TEST(VirtualOutput, KeepsTheFormatOfAnExistingOutputWave) {
    test::TempDir dir;
    const PcmFormat stereo{2, 8000, 16};
    test::WriteWave(dir.file("out.wav"), stereo, MakeCountingPattern(stereo, 10));
    sound::VirtualAudioBackend backend(test::ManualOptions("", dir.file("out.wav")));
    const auto mono = MakeCountingPattern(kMono8k, 50);
    MemoryPcmSource source(mono, 2, 0, 50);
    QString error;
    auto output = backend.OpenOutput({}, kMono8k, &error);
    output->Start(&source, &error);
    test::AdvanceAndPump(backend, 20);
    const auto samples = test::ReadWaveSamples(dir.file("out.wav"));
    ASSERT_EQ(samples.size(), 60u * 4);
    // Mono frames became stereo frames with the sample on both channels.
    EXPECT_EQ(samples[40], mono[0]);
    EXPECT_EQ(samples[42], mono[0]);
}

TEST(VirtualOutput, FastClockRunsWithoutHelp) {
    test::TempDir dir;
    sound::VirtualAudioBackend::Options options;
    options.output_wave_path = QString::fromStdString(dir.file("out.wav"));
    options.clock = sound::VirtualAudioBackend::Clock::kFast;
    sound::VirtualAudioBackend backend(options);
    const auto pcm = test::MakeTone(kMono8k, 440, 5000);
    MemoryPcmSource source(pcm, 2, 0, 40000);
    QString error;
    auto output = backend.OpenOutput({}, kMono8k, &error);
    bool finished = false;
    QObject::connect(output.get(), &sound::AudioOutputStream::finished, [&] { finished = true; });
    output->Start(&source, &error);
    ASSERT_TRUE(test::PumpUntil([&] { return finished; }, std::chrono::seconds(4)));
    EXPECT_EQ(test::ReadWaveSamples(dir.file("out.wav")), pcm);
}

TEST(AudioBackendFactory, EnvironmentSelectsTheVirtualBackend) {
    test::TempDir dir;
    const auto tape = MakeCountingPattern(kMono8k, 400);
    test::WriteWave(dir.file("in.wav"), kMono8k, tape);
    qputenv("KIVO_AUDIO", "virtual");
    qputenv("KIVO_AUDIO_IN", QByteArray::fromStdString(dir.file("in.wav")));
    qputenv("KIVO_AUDIO_CLOCK", "fast");
    auto backend = sound::CreateAudioBackendFromEnvironment();
    qunsetenv("KIVO_AUDIO");
    qunsetenv("KIVO_AUDIO_IN");
    qunsetenv("KIVO_AUDIO_CLOCK");
    EXPECT_EQ(backend->name(), "virtual");
    QString error;
    auto input = backend->OpenInput({}, kMono8k, &error);
    ASSERT_TRUE(input->Start(&error));
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(test::PumpUntil([&] {
        input->ReadAvailable(&got);
        return got.size() >= tape.size();
    }));
    EXPECT_EQ(Frames(got, kMono8k, 0, 400), tape);
    EXPECT_EQ(sound::CreateAudioBackendFromEnvironment()->name(), "qt");
}

}  // namespace
}  // namespace kivo::audio
