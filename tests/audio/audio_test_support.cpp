// Helpers for the Qt audio tests (see audio_test_support.h).
#include "audio_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::test {

void PumpEvents() {
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void AdvanceAndPump(sound::VirtualAudioBackend& backend, int total_ms, int step_ms) {
    for (int done = 0; done < total_ms; done += step_ms) {
        backend.Advance(std::min(step_ms, total_ms - done));
        PumpEvents();
    }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count()) {
            return false;
        }
        PumpEvents();
        QThread::msleep(1);
    }
    return true;
}

void WriteWave(const std::string& path, const wavefile::PcmFormat& format,
               const std::vector<std::uint8_t>& samples) {
    const auto status = wavefile::WritePcmWave(path, format, samples);
    if (!status.ok()) {
        throw std::runtime_error(status.message());
    }
}

std::vector<std::uint8_t> ReadWaveSamples(const std::string& path) {
    wavefile::WaveData wave;
    if (!wavefile::ReadWaveFile(path, &wave).ok()) {
        return {};
    }
    return wave.samples;
}

std::vector<std::uint8_t> Frames(const std::vector<std::uint8_t>& pcm,
                                 const wavefile::PcmFormat& format, std::int64_t first,
                                 std::int64_t count) {
    const auto align = static_cast<std::size_t>(format.block_align_bytes());
    const auto begin = static_cast<std::size_t>(first) * align;
    const auto end = std::min(pcm.size(), begin + static_cast<std::size_t>(count) * align);
    if (begin >= end) {
        return {};
    }
    return std::vector<std::uint8_t>(pcm.begin() + static_cast<std::ptrdiff_t>(begin),
                                     pcm.begin() + static_cast<std::ptrdiff_t>(end));
}

sound::VirtualAudioBackend::Options ManualOptions(const std::string& input_wave,
                                                  const std::string& output_wave) {
    sound::VirtualAudioBackend::Options options;
    options.input_wave_path = QString::fromStdString(input_wave);
    options.output_wave_path = QString::fromStdString(output_wave);
    options.clock = sound::VirtualAudioBackend::Clock::kManual;
    return options;
}

}  // namespace kivo::test
