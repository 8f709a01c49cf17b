// The recorder's rules outside any device: the quality table, the level
// rule, and appending takes.
#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"
#include "kivo/wavefile/peak_level.h"
#include "kivo/wavefile/raw_take_file.h"
#include "temp_dir.h"

namespace kivo::wavefile {
namespace {

TEST(QualityTable, EachQualityHasItsFormat) {
    EXPECT_EQ(FormatForQuality(0), (PcmFormat{1, 8000, 16}));
    EXPECT_EQ(FormatForQuality(1), (PcmFormat{2, 8000, 16}));
    EXPECT_EQ(FormatForQuality(2), (PcmFormat{1, 22050, 8}));
    EXPECT_EQ(FormatForQuality(3), (PcmFormat{2, 44100, 16}));
}

TEST(QualityTable, AnyOtherQualityIsMono8000Hz16Bit) {
    for (int quality : {7, 4, -1, 1000}) {
        EXPECT_EQ(FormatForQuality(quality), (PcmFormat{1, 8000, 16})) << quality;
    }
}

TEST(QualityTable, DerivedSizes) {
    const PcmFormat cd = FormatForQuality(3);
    EXPECT_EQ(cd.block_align_bytes(), 4);
    EXPECT_EQ(cd.bytes_per_second(), 176400);
    const PcmFormat radio = FormatForQuality(2);
    EXPECT_EQ(radio.block_align_bytes(), 1);
    EXPECT_EQ(radio.bytes_per_second(), 22050);
    const auto block = WaveFormatExBlock(cd);
    EXPECT_EQ(block[0], 1);   // PCM
    EXPECT_EQ(block[12], 4);  // block align
    EXPECT_EQ(block[16], 0);  // cbSize
}

std::vector<std::uint8_t> Samples16(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
}

TEST(LevelRule, HighByteTimes100Over128) {
    EXPECT_EQ(SampleLevel(0), 0);
    EXPECT_EQ(SampleLevel(1), 0);  // 100 / 128
    EXPECT_EQ(SampleLevel(2), 1);
    EXPECT_EQ(SampleLevel(64), 50);
    EXPECT_EQ(SampleLevel(127), 99);
    EXPECT_EQ(SampleLevel(-1), 0);  // negative counts as -1, truncated to 0
    EXPECT_EQ(SampleLevel(-128), 0);
}

TEST(LevelRule, MonoPeakIsRepeatedOnTheRight) {
    const auto bytes = Samples16({0x0100, 0x4000, -0x7F00, 0x2000});
    const PeakLevels peaks = ComputePeakLevels(bytes.data(), bytes.size(), PcmFormat{1, 8000, 16});
    EXPECT_EQ(peaks.left, 50);
    EXPECT_EQ(peaks.right, 50);
}

TEST(LevelRule, StereoAlternatesLeftAndRight) {
    const auto bytes = Samples16({0x7F00, 0x1000, 0x0200, 0x2000});
    const PeakLevels peaks = ComputePeakLevels(bytes.data(), bytes.size(), PcmFormat{2, 8000, 16});
    EXPECT_EQ(peaks.left, 99);
    EXPECT_EQ(peaks.right, 25);
}

TEST(LevelRule, NegativeSamplesOnlyGiveZero) {
    const auto bytes = Samples16({-0x7000, -1, -0x100});
    EXPECT_EQ(ComputePeakLevels(bytes.data(), bytes.size(), PcmFormat{}).left, 0);
}

TEST(LevelRule, EightBitSamplesAreCentredOn128) {
    const std::vector<std::uint8_t> bytes = {128, 192, 0, 255};
    const PeakLevels peaks = ComputePeakLevels(bytes.data(), bytes.size(), PcmFormat{1, 22050, 8});
    EXPECT_EQ(peaks.left, 99);  // 255 - 128 = 127
}

TEST(AppendTake, TakesAccumulateInOrder) {
    test::TempDir dir;
    test::WriteFileBytes(dir.file("take"), {1, 2, 3});
    ASSERT_EQ(AppendTakeFile(dir.file("take"), dir.file("acc")), kAppendTakeOk);
    std::vector<std::uint8_t> big(70000, 9);
    test::WriteFileBytes(dir.file("take"), big);
    ASSERT_EQ(AppendTakeFile(dir.file("take"), dir.file("acc")), kAppendTakeOk);
    const auto acc = test::ReadFileBytes(dir.file("acc"));
    ASSERT_EQ(acc.size(), 70003u);
    EXPECT_EQ(acc[0], 1);
    EXPECT_EQ(acc[2], 3);
    EXPECT_EQ(acc[3], 9);
    EXPECT_EQ(acc.back(), 9);
}

TEST(AppendTake, EmptyTakeAppendsNothing) {
    test::TempDir dir;
    test::WriteFileBytes(dir.file("acc"), {5, 6});
    test::WriteFileBytes(dir.file("take"), {});
    EXPECT_EQ(AppendTakeFile(dir.file("take"), dir.file("acc")), kAppendTakeOk);
    EXPECT_EQ(test::ReadFileBytes(dir.file("acc")), (std::vector<std::uint8_t>{5, 6}));
}

TEST(AppendTake, MissingTakeIs220AndUnopenableAccumulatedIs221) {
    test::TempDir dir;
    EXPECT_EQ(AppendTakeFile(dir.file("missing"), dir.file("acc")), kAppendTakeCannotOpenTake);
    EXPECT_FALSE(std::filesystem::exists(dir.file("acc")));
    test::WriteFileBytes(dir.file("take"), {1});
    EXPECT_EQ(AppendTakeFile(dir.file("take"), dir.file("no/such/dir/acc")),
              kAppendTakeCannotOpenAccumulated);
}

}  // namespace
}  // namespace kivo::wavefile
