// The real sound devices through Qt Multimedia: a tone played to the output
// is recorded back from the input. Needs a sound server whose input hears
// the output, as scripts/with-test-services.sh provides (PulseAudio null
// sink "vsink" with its monitor remapped as the source "vmic"); skipped when
// no device is listed.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "audio_test_support.h"
#include "kivo/audio_backend/qt_audio_backend.h"
#include "memory_pcm_source.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using wavefile::PcmFormat;

QByteArray PreferredDevice(const std::vector<AudioDeviceInfo>& devices, const char* name) {
    for (const AudioDeviceInfo& device : devices) {
        if (device.id == name) {
            return device.id;
        }
    }
    return QByteArray();  // the default device
}

TEST(QtAudioLoopBack, ATonePlayedOutIsRecordedBack) {
    QtAudioBackend backend;
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
    QObject::connect(input.get(), &AudioInputStream::dataArrived,
                     [&] { input->ReadAvailable(&recorded); });
    ASSERT_TRUE(input->Start(&error)) << error.toStdString();

    const auto tone = test::MakeTone(format, kToneHz, 1500, 0.5);
    MemoryPcmSource source(tone, 2, 0, test::FrameCount(tone, format));
    bool finished = false;
    QObject::connect(output.get(), &AudioOutputStream::finished, [&] { finished = true; });
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
    EXPECT_GT(test::ToneShare(recorded, format, kToneHz), 0.5);
}

}  // namespace
}  // namespace kivo::audio
