#include "telephony_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::test {

std::vector<int> RecordingNotifier::Only(std::initializer_list<int> wanted) const {
    std::vector<int> picked;
    for (int message : messages) {
        if (std::find(wanted.begin(), wanted.end(), message) != wanted.end()) {
            picked.push_back(message);
        }
    }
    return picked;
}

int RecordingNotifier::Count(int message) const {
    return static_cast<int>(std::count(messages.begin(), messages.end(), message));
}

std::vector<std::uint8_t> CountingCallAudio(int duration_ms, int seed) {
    std::vector<std::uint8_t> bytes;
    const int samples = duration_ms * 8;
    for (int i = 0; i < samples; ++i) {
        const auto value = static_cast<std::uint16_t>(i * 7 + seed * 1000 + 1);
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> CallTone(int duration_ms, double amplitude) {
    std::vector<std::uint8_t> bytes;
    const int samples = duration_ms * 8;
    for (int i = 0; i < samples; ++i) {
        const auto value = static_cast<std::int16_t>(
            std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * 440.0 * i / 8000.0)));
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return bytes;
}

void WriteCallWave(const std::string& path, const std::vector<std::uint8_t>& samples) {
    ASSERT_TRUE(wavefile::WritePcmWave(path, telephony::CallAudioFormat(), samples).ok());
}

std::vector<std::uint8_t> ReadWaveSamples(const std::string& path) {
    wavefile::WaveData wave;
    const auto read = wavefile::ReadWaveFile(path, &wave);
    EXPECT_TRUE(read.ok()) << read.message();
    return wave.samples;
}

TelephonyBench::TelephonyBench() {
    auto directory = [this] {
        std::vector<std::unique_ptr<telephony::LineProvider>> lines;
        telephony::SimulatedLine::Options options;
        options.ring_period_ms = kRingPeriodMs;
        auto demo = std::make_unique<telephony::SimulatedLine>(options);
        line = demo.get();
        lines.push_back(std::move(demo));
        return lines;
    };
    library = std::make_unique<telephony::TapiLibrary>(
        status, directory, notifier,
        [this](std::string_view text) { debug_lines.emplace_back(text); });
    greeting = CountingCallAudio(700, 1);
    resource = CountingCallAudio(300, 2);
    WriteCallWave(dir.file("greeting.wav"), greeting);
    WriteCallWave(dir.file("7.wav"), resource);
}

TelephonyBench::~TelephonyBench() = default;

void TelephonyBench::OpenLine(int rings, bool auto_answer) {
    library->InitVar();
    status.deviceId = 0;
    status.rings = rings;
    status.autoAnswer = auto_answer ? 1 : 0;
    library->Init();
    ASSERT_EQ(status.status, 0);
    library->Open(this);
    ASSERT_EQ(status.status, 0);
    ASSERT_EQ(status.lineOpen, 1);
}

void TelephonyBench::Run(int ms) {
    for (int elapsed = 0; elapsed < ms; elapsed += 20) {
        line->Advance(20);
        if (answering_machine) {
            ReactAsAnsweringMachine();
        }
    }
}

void TelephonyBench::ReactAsAnsweringMachine() {
    while (handled_messages_ < notifier.messages.size()) {
        const int message = notifier.messages[handled_messages_++];
        if (message == ZN2TAPI_MSG_ANSWER_NOW) {
            library->Answer();
        } else if (message == ZN2TAPI_MSG_CONNECTED && status.incoming == 1) {
            library->GetWaveId(4, "wave/in");
            library->GetWaveId(4, "wave/out");
            library->SetResource(dir.path().c_str(), 7);
            library->SetRecord(dir.file("take.raw").c_str(), dir.file("all.raw").c_str(),
                               dir.file("message.wav").c_str());
            library->PlayFile(dir.file("greeting.wav").c_str());
        } else if (message == ZN2TAPI_MSG_DISCONNECTED && status.incoming == 1) {
            // The answering machine marks the chained recording as its own
            // before stopping, so the take is kept.
            status.recording = 1;
            library->Stop();
            library->Save();
        }
    }
}

}  // namespace kivo::test
