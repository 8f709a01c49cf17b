// The real sound devices through Qt Multimedia: a tone played to the output
// is recorded back from the input. Needs a sound server whose input hears
// the output, as scripts/with-test-services.sh provides (PulseAudio null
// sink "vsink" with its monitor remapped as the source "vmic"); skipped when
// no device is listed. Other programs playing at the same time add sound,
// so the tone need only be a clear part of what is recorded; the tests run
// under the CTest resource lock "kivo_sound_server".
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "audio_test_support.h"
#include "kivo/audio/wave_document.h"
#include "kivo/audio/xr_wave.h"
#include "kivo/sound/qt_audio_backend.h"
#include "memory_pcm_source.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using wavefile::PcmFormat;

QByteArray PreferredDevice(const std::vector<sound::AudioDeviceInfo>& devices, const char* name) {
    for (const sound::AudioDeviceInfo& device : devices) {
        if (device.id == name) {
            return device.id;
        }
    }
    return QByteArray();  // the default device
}

TEST(QtAudioLoopBack, ATonePlayedOutIsRecordedBack) {
    sound::QtAudioBackend backend;
    const auto inputs = backend.InputDevices();
    const auto outputs = backend.OutputDevices();
    if (inputs.empty() || outputs.empty()) {
        GTEST_SKIP() << "no sound server with input and output devices";
    }
    const PcmFormat format{1, 8000, 16};
    const double kToneHz = 1000;
    QString error;
    auto input = backend.OpenInput(PreferredDevice(inputs, "vmic"), format, &error);
    ASSERT_TRUE(input) << error.toStdString();
    auto output = backend.OpenOutput(PreferredDevice(outputs, "vsink"), format, &error);
    ASSERT_TRUE(output) << error.toStdString();

    std::vector<std::uint8_t> recorded;
    QObject::connect(input.get(), &sound::AudioInputStream::dataArrived,
                     [&] { input->ReadAvailable(&recorded); });
    ASSERT_TRUE(input->Start(&error)) << error.toStdString();

    const auto tone = test::MakeTone(format, kToneHz, 1500, 0.5);
    MemoryPcmSource source(tone, 2, 0, test::FrameCount(tone, format));
    bool finished = false;
    QObject::connect(output.get(), &sound::AudioOutputStream::finished, [&] { finished = true; });
    ASSERT_TRUE(output->Start(&source, &error)) << error.toStdString();
    ASSERT_TRUE(test::PumpUntil([&] { return finished; }, std::chrono::seconds(10)));
    EXPECT_EQ(output->ReadFrames(), test::FrameCount(tone, format));
    // Let the last of the tone come round.
    QElapsedTimer settle;
    settle.start();
    test::PumpUntil([&] { return settle.elapsed() > 400; });
    input->Stop();
    input->ReadAvailable(&recorded);

    ASSERT_GT(test::FrameCount(recorded, format), 8000);
    EXPECT_GT(test::MeanSquare(recorded, format), 0.01);
    EXPECT_GT(test::ToneShare(recorded, format, kToneHz), 0.3);
}

TEST(QtAudioLoopBack, TheRecorderSavesWhatTheWaveDocumentPlays) {
    sound::QtAudioBackend backend;
    if (backend.InputDevices().empty() || backend.OutputDevices().empty()) {
        GTEST_SKIP() << "no sound server with input and output devices";
    }
    test::TempDir dir;
    const PcmFormat format{1, 8000, 16};
    test::WriteWave(dir.file("tone.wav"), format, test::MakeTone(format, 700, 1200, 0.5));

    XRWave recorder(backend);
    recorder.SetTakePath(QString::fromStdString(dir.file("take.raw")));
    recorder.SetAccumulatedPath(QString::fromStdString(dir.file("acc.raw")));
    recorder.SetWavePath(QString::fromStdString(dir.file("rec.wav")));
    int level_updates = 0;
    QObject::connect(&recorder, &XRWave::levelsUpdated, [&] { ++level_updates; });
    ASSERT_EQ(recorder.Record(5, 0), 1) << recorder.last_error().toStdString();
    recorder.SetRecordingActive(true);

    WaveDocument player(backend);
    ASSERT_EQ(player.Open(QString::fromStdString(dir.file("tone.wav"))), kWaveOk);
    bool finished = false;
    QObject::connect(&player, &WaveDocument::playbackFinished, [&] { finished = true; });
    ASSERT_EQ(player.PlayFrom(0), kWaveOk);
    ASSERT_TRUE(test::PumpUntil([&] { return finished; }, std::chrono::seconds(10)));
    EXPECT_EQ(player.position_ms(), 1200);
    QElapsedTimer settle;
    settle.start();
    test::PumpUntil([&] { return settle.elapsed() > 400; });

    recorder.SetStopping(true);
    recorder.Stop();
    ASSERT_EQ(recorder.AppendTake(), 0);
    ASSERT_EQ(recorder.SaveWaveFile(), 0);
    EXPECT_GT(level_updates, 0);
    const auto recorded = test::ReadWaveSamples(dir.file("rec.wav"));
    EXPECT_GT(test::FrameCount(recorded, format), 8000);
    EXPECT_GT(test::ToneShare(recorded, format, 700), 0.3);
}

}  // namespace
}  // namespace kivo::audio
