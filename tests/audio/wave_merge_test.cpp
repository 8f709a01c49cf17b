// MergeWaves: recordings of different qualities joined into one wave.
#include "kivo/audio/wave_merge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "temp_dir.h"

namespace kivo::audio {
namespace {

using wavefile::PcmFormat;

// A sine wave of the format: 8-bit unsigned or 16-bit signed, every channel alike.
std::vector<std::uint8_t> Sine(const PcmFormat& format, double hz, double seconds) {
    const int frames = static_cast<int>(format.sample_rate_hz * seconds);
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2 * M_PI * hz * i / format.sample_rate_hz);
        for (int c = 0; c < format.channels; ++c) {
            if (format.bits_per_sample == 8) {
                samples.push_back(static_cast<std::uint8_t>(128 + std::lround(value * 127)));
            } else {
                const auto sample = static_cast<std::int16_t>(std::lround(value * 32767));
                samples.push_back(static_cast<std::uint8_t>(sample & 0xFF));
                samples.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
            }
        }
    }
    return samples;
}

std::int16_t SampleAt(const std::vector<std::uint8_t>& samples, std::size_t index) {
    return static_cast<std::int16_t>(samples[2 * index] | (samples[2 * index + 1] << 8));
}

// Frequency of channel 0 over frames [first, first + count) by zero crossings.
double FrequencyOf(const std::vector<std::uint8_t>& samples, const PcmFormat& format,
                   std::uint64_t first, std::uint64_t count) {
    int crossings = 0;
    for (std::uint64_t f = first + 1; f < first + count; ++f) {
        const auto a = SampleAt(samples, (f - 1) * format.channels);
        const auto b = SampleAt(samples, f * format.channels);
        if ((a < 0) != (b < 0))
            ++crossings;
    }
    return crossings / 2.0 / (static_cast<double>(count) / format.sample_rate_hz);
}

int PeakOf(const std::vector<std::uint8_t>& samples, const PcmFormat& format, std::uint64_t first,
           std::uint64_t count) {
    int peak = 0;
    for (std::uint64_t f = first; f < first + count; ++f) {
        for (int c = 0; c < format.channels; ++c)
            peak = std::max(peak,
                            std::abs(static_cast<int>(SampleAt(samples, f * format.channels + c))));
    }
    return peak;
}

TEST(WaveMergeTest, ThreeRecordingsOfDifferentQualitiesBecomeOneWaveOfTheirLengths) {
    test::TempDir dir;
    struct Part {
        PcmFormat format;
        double hz;
        double seconds;
    };
    const Part parts[] = {
        {{1, 8000, 16}, 440, 1.0}, {{2, 22050, 16}, 1000, 0.5}, {{1, 11025, 8}, 300, 0.8}};
    std::vector<std::string> paths;
    for (const Part& part : parts) {
        paths.push_back(dir.file("part" + std::to_string(paths.size()) + ".wav"));
        ASSERT_TRUE(wavefile::WritePcmWave(paths.back(), part.format,
                                           Sine(part.format, part.hz, part.seconds))
                        .ok());
    }
    const std::string output = dir.file("search.wav");
    const WaveMergeResult merged = MergeWaves(paths, output);
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_EQ(merged.format.sample_rate_hz, 22050);
    EXPECT_EQ(merged.format.channels, 2);
    EXPECT_EQ(merged.format.bits_per_sample, 16);

    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile(output, &wave).ok());
    ASSERT_EQ(wave.info.frames(), merged.frames);
    std::uint64_t sum = 0, first = 0;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        const std::uint64_t expected = static_cast<std::uint64_t>(parts[i].seconds * 22050);
        const std::uint64_t frames = merged.part_frames[i];
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(expected), 2.0)
            << "part " << i;
        // The middle of each part sounds like the part: same pitch, same loudness.
        const std::uint64_t middle = first + frames / 4;
        EXPECT_NEAR(FrequencyOf(wave.samples, merged.format, middle, frames / 2), parts[i].hz,
                    parts[i].hz * 0.02)
            << "part " << i;
        EXPECT_NEAR(PeakOf(wave.samples, merged.format, middle, frames / 2), 16384, 800)
            << "part " << i;
        first += frames;
        sum += frames;
    }
    EXPECT_EQ(sum, merged.frames);
}

TEST(WaveMergeTest, ThePartsOfTheResultFormatArePutInUnchanged) {
    test::TempDir dir;
    const PcmFormat format{1, 16000, 16};
    const auto samples = Sine(format, 500, 0.3);
    std::vector<std::uint8_t> converted;
    ASSERT_TRUE(ConvertPcm(format, samples, format, &converted));
    EXPECT_EQ(converted, samples);
}

TEST(WaveMergeTest, APartThatIsNoWaveFailsTheMergeAndWritesNothing) {
    test::TempDir dir;
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(wavefile::WritePcmWave(good, {1, 8000, 16}, Sine({1, 8000, 16}, 440, 0.1)).ok());
    const std::string bad = dir.file("bad.wav");
    std::ofstream(bad) << "RIFF but not really";
    const std::string output = dir.file("search.wav");
    const WaveMergeResult merged = MergeWaves({good, bad}, output);
    EXPECT_FALSE(merged.ok);
    EXPECT_NE(merged.error.find("bad.wav"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_FALSE(MergeWaves({}, output).ok);
}

}  // namespace
}  // namespace kivo::audio
