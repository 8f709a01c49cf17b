// The three wave layouts the program writes, byte by byte, and that the
// reader reads each back.
#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "temp_dir.h"

namespace kivo::wavefile {
namespace {

using test::Bytes;
using test::GetU32;

std::string Tag(const Bytes& bytes, std::size_t offset) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + 4));
}

std::uint16_t GetU16(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

Bytes Raw(std::size_t size) {
    Bytes raw(size);
    for (std::size_t i = 0; i < size; ++i) {
        raw[i] = static_cast<std::uint8_t>(i % 251);
    }
    return raw;
}

TEST(RecorderWave, LayoutIsRiffFmt18FactData) {
    test::TempDir dir;
    const Bytes raw = Raw(70000);  // more than two copy pieces
    test::WriteFileBytes(dir.file("acc.raw"), raw);
    const PcmFormat format{2, 8000, 16};
    ASSERT_TRUE(WriteRecorderWave(dir.file("out.wav"), format, dir.file("acc.raw")).ok());

    const Bytes file = test::ReadFileBytes(dir.file("out.wav"));
    ASSERT_EQ(file.size(), 58u + raw.size());
    EXPECT_EQ(Tag(file, 0), "RIFF");
    EXPECT_EQ(GetU32(file, 4), file.size() - 8);
    EXPECT_EQ(Tag(file, 8), "WAVE");
    EXPECT_EQ(Tag(file, 12), "fmt ");
    EXPECT_EQ(GetU32(file, 16), 18u);
    EXPECT_EQ(GetU16(file, 20), 1);       // PCM
    EXPECT_EQ(GetU16(file, 22), 2);       // channels
    EXPECT_EQ(GetU32(file, 24), 8000u);   // rate
    EXPECT_EQ(GetU32(file, 28), 32000u);  // bytes per second
    EXPECT_EQ(GetU16(file, 32), 4);       // block align
    EXPECT_EQ(GetU16(file, 34), 16);      // bits
    EXPECT_EQ(GetU16(file, 36), 0);       // cbSize
    EXPECT_EQ(Tag(file, 38), "fact");
    EXPECT_EQ(GetU32(file, 42), 4u);
    EXPECT_EQ(GetU32(file, 46), 70000u / 4);  // frames
    EXPECT_EQ(Tag(file, 50), "data");
    EXPECT_EQ(GetU32(file, 54), 70000u);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), file.begin() + 58));

    WaveData wave;
    ASSERT_TRUE(ReadWaveFile(dir.file("out.wav"), &wave).ok());
    EXPECT_EQ(wave.samples, raw);
    EXPECT_EQ(wave.info.fact_frames, 17500u);
}

TEST(RecorderWave, OddDataGetsAPadByteCountedInTheRiffSize) {
    test::TempDir dir;
    test::WriteFileBytes(dir.file("acc.raw"), Raw(4411));
    ASSERT_TRUE(
        WriteRecorderWave(dir.file("out.wav"), PcmFormat{1, 22050, 8}, dir.file("acc.raw")).ok());
    const Bytes file = test::ReadFileBytes(dir.file("out.wav"));
    ASSERT_EQ(file.size(), 58u + 4411 + 1);
    EXPECT_EQ(GetU32(file, 4), file.size() - 8);
    EXPECT_EQ(GetU32(file, 54), 4411u);
    EXPECT_EQ(file.back(), 0);
}

TEST(RecorderWave, MissingRawFileFailsAndLeavesNoFile) {
    test::TempDir dir;
    EXPECT_FALSE(WriteRecorderWave(dir.file("out.wav"), PcmFormat{}, dir.file("missing.raw")).ok());
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.wav")));
}

TEST(RecorderWave, UnwritableTargetFailsWithoutTemporaryLeftovers) {
    test::TempDir dir;
    test::WriteFileBytes(dir.file("acc.raw"), Raw(100));
    const WaveStatus status =
        WriteRecorderWave(dir.file("no/such/folder/out.wav"), PcmFormat{}, dir.file("acc.raw"));
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("out.wav"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(CanonicalWave, HeaderSizesFollowTheFormatBlock) {
    test::TempDir dir;
    const Bytes raw = Raw(1001);
    test::WriteFileBytes(dir.file("temprec.wav"), raw);
    const auto block18 = WaveFormatExBlock(PcmFormat{1, 8000, 8});
    const std::vector<std::uint8_t> block(block18.begin(), block18.end());
    ASSERT_TRUE(WriteCanonicalWave(dir.file("out.wav"), block, dir.file("temprec.wav")).ok());
    const Bytes file = test::ReadFileBytes(dir.file("out.wav"));
    ASSERT_EQ(file.size(), 46u + raw.size());
    EXPECT_EQ(GetU32(file, 4), 1001u + 18 + 20);
    EXPECT_EQ(Tag(file, 12), "fmt ");
    EXPECT_EQ(GetU32(file, 16), 18u);
    EXPECT_EQ(Tag(file, 38), "data");
    EXPECT_EQ(GetU32(file, 42), 1001u);
    WaveData wave;
    ASSERT_TRUE(ReadWaveFile(dir.file("out.wav"), &wave).ok());
    EXPECT_EQ(wave.samples, raw);
}

TEST(PcmWave, RoundTripsThroughTheReader) {
    test::TempDir dir;
    const Bytes samples = Raw(3000);
    ASSERT_TRUE(WritePcmWave(dir.file("a.wav"), PcmFormat{2, 44100, 16}, samples).ok());
    const Bytes file = test::ReadFileBytes(dir.file("a.wav"));
    EXPECT_EQ(file.size(), 44u + samples.size());
    EXPECT_EQ(GetU32(file, 16), 16u);
    WaveData wave;
    ASSERT_TRUE(ReadWaveFile(dir.file("a.wav"), &wave).ok());
    EXPECT_EQ(wave.samples, samples);
    EXPECT_EQ(*wave.info.format.AsPlayablePcm(), (PcmFormat{2, 44100, 16}));
}

TEST(PcmWave, ReplacesAnExistingFileWhole) {
    test::TempDir dir;
    test::WriteFileBytes(dir.file("a.wav"), Raw(50000));
    ASSERT_TRUE(WritePcmWave(dir.file("a.wav"), PcmFormat{}, Raw(10)).ok());
    EXPECT_EQ(test::ReadFileBytes(dir.file("a.wav")).size(), 54u);
}

}  // namespace
}  // namespace kivo::wavefile
