// The editable recording on a long wave: time and peak resident memory to
// open a one-hour 44.1 kHz stereo 16-bit wave (635 MB), record one second
// inserted in the middle, delete one second there and save it.
//
// The wave is generated into a temporary folder (or FOLDER, the first
// argument) without holding it in memory. Peak memory is the process's
// high-water mark (VmHWM), reset before each step through
// /proc/self/clear_refs, so each figure is that step's own peak.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "kivo/audio/wave_document.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

const kivo::wavefile::PcmFormat kFormat{2, 44100, 16};
constexpr std::int64_t kSeconds = 3600;
constexpr std::int64_t kMiddleMs = kSeconds * 1000 / 2;

void PutU32(std::FILE* file, std::uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    std::fwrite(bytes, 1, 4, file);
}

// A plain PCM wave of `seconds` of a slow saw in both channels, written one
// second at a time.
bool GenerateWave(const std::string& path, std::int64_t seconds) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const auto block = kivo::wavefile::WaveFormatExBlock(kFormat);
    const std::int64_t second_bytes = kFormat.sample_rate_hz * kFormat.block_align_bytes();
    const auto data_bytes = static_cast<std::uint32_t>(second_bytes * seconds);
    std::fwrite("RIFF", 1, 4, file);
    PutU32(file, 4 + 8 + 16 + 8 + data_bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    PutU32(file, 16);
    std::fwrite(block.data(), 1, 16, file);
    std::fwrite("data", 1, 4, file);
    PutU32(file, data_bytes);
    std::vector<std::int16_t> second(static_cast<std::size_t>(second_bytes / 2));
    std::int64_t frame = 0;
    bool ok = true;
    for (std::int64_t s = 0; s < seconds && ok; ++s) {
        for (std::size_t i = 0; i < second.size(); i += 2, ++frame) {
            const auto value = static_cast<std::int16_t>((frame * 37) % 20000 - 10000);
            second[i] = value;
            second[i + 1] = static_cast<std::int16_t>(-value);
        }
        ok = std::fwrite(second.data(), 2, second.size(), file) == second.size();
    }
    return std::fclose(file) == 0 && ok;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The high-water mark of resident memory, in MB.
double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return -1;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* step, Clock::time_point start, int result) {
    std::printf("%-32s %8.3f s  peak RSS %7.1f MB  %s\n", step, Since(start), PeakMb(),
                result == kivo::audio::kWaveOk ? "ok" : "FAILED");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const std::string long_wave = (folder + "/hour.wav").toStdString();
    const std::string mic_wave = (folder + "/mic.wav").toStdString();
    const std::string saved_wave = (folder + "/saved.wav").toStdString();

    std::printf("generating one hour of 44.1 kHz stereo in %s\n", folder.toLocal8Bit().data());
    if (!GenerateWave(long_wave, kSeconds) || !GenerateWave(mic_wave, 2)) {
        std::fprintf(stderr, "cannot write the test waves\n");
        return 1;
    }

    kivo::sound::VirtualAudioBackend::Options options;
    options.input_wave_path = QString::fromStdString(mic_wave);
    options.clock = kivo::sound::VirtualAudioBackend::Clock::kManual;
    kivo::sound::VirtualAudioBackend backend(options);
    kivo::audio::WaveDocument document(backend);
    const auto total = Clock::now();
    ResetPeak();

    auto start = Clock::now();
    int result = document.Open(QString::fromStdString(long_wave));
    Report("open", start, result);

    ResetPeak();
    start = Clock::now();
    result = document.Seek(kMiddleMs);
    if (result == kivo::audio::kWaveOk) {
        result = document.Record(kivo::audio::WaveDocument::RecordMode::kInsert);
    }
    for (int ms = 0; ms < 1000 && result == kivo::audio::kWaveOk; ms += 20) {
        backend.Advance(20);
        QCoreApplication::processEvents();
    }
    document.Stop();
    Report("record 1 s inserted in the middle", start, result);

    ResetPeak();
    start = Clock::now();
    result = document.DeleteRange(kMiddleMs, kMiddleMs + 1000);
    Report("delete 1 s in the middle", start, result);

    ResetPeak();
    start = Clock::now();
    result = document.Save(QString::fromStdString(saved_wave));
    Report("save", start, result);

    std::printf("%-32s %8.3f s  (length %lld ms)\n", "all four", Since(total),
                static_cast<long long>(document.length_ms()));
    return result == kivo::audio::kWaveOk ? 0 : 1;
}
