// Converting a capture to a video record's WMV: the result read back with
// libavformat, and what stays on disk after stop, abort and failure.
#include "kivo/encoding/video_conversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "media_probe.h"
#include "temp_dir.h"

namespace kivo::encoding {
namespace {

namespace fs = std::filesystem;
using test::ProbeMedia;
using test::TempDir;
using test::WriteTestCapture;

class VideoConversionTest : public ::testing::Test {
protected:
    std::string Capture(int seconds, int width = 320, int height = 240) {
        const std::string path = dir_.file("capture" + std::to_string(seconds) + ".avi");
        EXPECT_TRUE(WriteTestCapture(path, seconds, width, height)) << "ffmpeg could not write";
        return path;
    }
    bool NothingBesides(const std::string& source) const {
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            if (entry.path().string() != source)
                return false;
        }
        return true;
    }

    TempDir dir_;
};

TEST_F(VideoConversionTest, FiveSecondsOfTestSourceBecomeFiveSecondsOfWmvWithSoundAndPicture) {
    const std::string source = Capture(5);
    const std::string target = dir_.file("D1.wmv");
    std::vector<int> percents;
    const auto result = ConvertToRecordVideo(source, target, {}, nullptr,
                                             [&](int percent) { percents.push_back(percent); });
    ASSERT_EQ(result.outcome, ConversionOutcome::kDone) << result.message;
    EXPECT_EQ(result.video_frames, 125);

    const auto probe = ProbeMedia(target);
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.container, "asf");
    EXPECT_EQ(probe.video_codec, "wmv2");
    EXPECT_EQ(probe.audio_codec, "wmav2");
    EXPECT_EQ(probe.width, 320);
    EXPECT_EQ(probe.height, 240);
    EXPECT_EQ(probe.pictures, 125);
    EXPECT_NEAR(probe.picture_span_ms, 5000, probe.frame_ms);
    EXPECT_NEAR(probe.sound_ms, 5000, probe.frame_ms);

    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    EXPECT_FALSE(fs::exists(target + ".part"));
}

TEST_F(VideoConversionTest, AbortHalfWayLeavesNoFileUnderEitherName) {
    const std::string source = Capture(5);
    const std::string target = dir_.file("D2.wmv");
    ConversionControl control;
    const auto result = ConvertToRecordVideo(source, target, {}, &control, [&](int percent) {
        if (percent >= 50)
            control.RequestAbort();
    });
    EXPECT_EQ(result.outcome, ConversionOutcome::kAborted);
    EXPECT_FALSE(result.kept_target());
    EXPECT_TRUE(NothingBesides(source));
}

TEST_F(VideoConversionTest, StopHalfWayKeepsTheConvertedPartAsACompleteShorterFile) {
    const std::string source = Capture(5);
    const std::string target = dir_.file("D3.wmv");
    ConversionControl control;
    const auto result = ConvertToRecordVideo(source, target, {}, &control, [&](int percent) {
        if (percent >= 40)
            control.RequestStop();
    });
    ASSERT_EQ(result.outcome, ConversionOutcome::kStopped) << result.message;
    const auto probe = ProbeMedia(target);
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.video_codec, "wmv2");
    EXPECT_GT(probe.picture_span_ms, 1000);
    EXPECT_LT(probe.picture_span_ms, 4000);
    EXPECT_FALSE(fs::exists(target + ".part"));
}

TEST_F(VideoConversionTest, FilesThatAreNoVideoFailWithAReasonAndLeaveNothing) {
    const std::string garbage = dir_.file("garbage.avi");
    {
        std::ofstream out(garbage, std::ios::binary);
        for (int i = 0; i < 5000; ++i)
            out.put(static_cast<char>((i * 7919) & 0xff));
    }
    const std::string target = dir_.file("D4.wmv");
    auto result = ConvertToRecordVideo(garbage, target);
    EXPECT_EQ(result.outcome, ConversionOutcome::kFailed);
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(NothingBesides(garbage));

    result = ConvertToRecordVideo(dir_.file("missing.avi"), target);
    EXPECT_EQ(result.outcome, ConversionOutcome::kFailed);
    EXPECT_TRUE(NothingBesides(garbage));
}

TEST_F(VideoConversionTest, ACaptureCutOffHalfWayStillGivesItsFirstPart) {
    const std::string source = Capture(4);
    fs::resize_file(source, fs::file_size(source) / 2);
    const std::string target = dir_.file("D5.wmv");
    const auto result = ConvertToRecordVideo(source, target);
    ASSERT_TRUE(result.kept_target()) << result.message;
    const auto probe = ProbeMedia(target);
    EXPECT_EQ(probe.video_codec, "wmv2");
    EXPECT_GT(probe.picture_span_ms, 500);
    EXPECT_LT(probe.picture_span_ms, 3500);
}

TEST_F(VideoConversionTest, AVideoLongerThanTheLimitFailsAndLeavesNothing) {
    const std::string source = Capture(3);
    VideoConversionSettings settings;
    settings.max_duration_ms = 1000;
    const auto result = ConvertToRecordVideo(source, dir_.file("D6.wmv"), settings);
    EXPECT_EQ(result.outcome, ConversionOutcome::kFailed);
    EXPECT_TRUE(NothingBesides(source));
}

TEST_F(VideoConversionTest, ALargePictureIsScaledIntoTheBoxKeepingItsShape) {
    const std::string source = Capture(1, 1920, 1080);
    const std::string target = dir_.file("D7.wmv");
    VideoConversionSettings settings;
    settings.max_width = 640;
    settings.max_height = 480;
    const auto result = ConvertToRecordVideo(source, target, settings);
    ASSERT_EQ(result.outcome, ConversionOutcome::kDone) << result.message;
    const auto probe = ProbeMedia(target);
    EXPECT_EQ(probe.width, 640);
    EXPECT_EQ(probe.height, 360);
}

}  // namespace
}  // namespace kivo::encoding
