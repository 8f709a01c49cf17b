// The capture file: pictures placed by their capture time, sound by its
// sample count, read back with libavformat and converted on to WMV.
#include "kivo/encoding/capture_file_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "kivo/encoding/video_conversion.h"
#include "media_probe.h"
#include "temp_dir.h"

namespace kivo::encoding {
namespace {

using test::ProbeMedia;

struct Capture {
    CaptureFormat format;
    std::vector<std::uint8_t> picture;
    std::vector<std::int16_t> sound;

    Capture() {
        format.width = 160;
        format.height = 120;
        picture.assign(static_cast<std::size_t>(format.width) * format.height * 3, 0x80);
        sound.assign(static_cast<std::size_t>(format.sample_rate_hz) / 10, 1000);  // 100 ms
    }
    // `seconds` of camera and microphone, the camera at `pictures_per_second`.
    void Feed(CaptureFileWriter& writer, int seconds, int pictures_per_second) {
        const int steps = seconds * 10;
        std::int64_t next_picture = 0;
        for (int step = 0; step < steps; ++step) {
            const std::int64_t until_ms = (step + 1) * 100;
            for (; next_picture * 1000 / pictures_per_second < until_ms; ++next_picture) {
                ASSERT_EQ(writer.WritePicture(picture.data(), format.width * 3,
                                              next_picture * 1000 / pictures_per_second),
                          "");
            }
            ASSERT_EQ(writer.WriteSound(sound.data(), static_cast<int>(sound.size())), "");
        }
    }
};

TEST(CaptureFileWriterTest, TwoSecondsOfCameraAndMicrophoneReadBackInStep) {
    test::TempDir dir;
    Capture capture;
    CaptureFileWriter writer;
    ASSERT_EQ(writer.Open(dir.file("capture.avi"), capture.format), "");
    capture.Feed(writer, 2, 25);
    EXPECT_EQ(writer.pictures_written(), 50);
    ASSERT_EQ(writer.Close(), "");

    const auto probe = ProbeMedia(dir.file("capture.avi"));
    EXPECT_EQ(probe.container, "avi");
    EXPECT_EQ(probe.video_codec, "mjpeg");
    EXPECT_EQ(probe.audio_codec, "pcm_s16le");
    EXPECT_EQ(probe.pictures, 50);
    EXPECT_NEAR(probe.picture_span_ms, 2000, probe.frame_ms);
    EXPECT_EQ(probe.sound_ms, 2000);
}

TEST(CaptureFileWriterTest, ACameraFasterThanTheFrameRateHasItsExtraPicturesDropped) {
    test::TempDir dir;
    Capture capture;
    CaptureFileWriter writer;
    ASSERT_EQ(writer.Open(dir.file("capture.avi"), capture.format), "");
    capture.Feed(writer, 1, 50);
    EXPECT_EQ(writer.pictures_written(), 25);
}

TEST(CaptureFileWriterTest, ACaptureConvertsToARecordsWmvOfTheSameLength) {
    test::TempDir dir;
    Capture capture;
    {
        CaptureFileWriter writer;
        ASSERT_EQ(writer.Open(dir.file("capture.avi"), capture.format), "");
        capture.Feed(writer, 3, 25);
    }  // closed by its destructor
    const auto result = ConvertToRecordVideo(dir.file("capture.avi"), dir.file("D1.wmv"));
    ASSERT_EQ(result.outcome, ConversionOutcome::kDone) << result.message;
    const auto probe = ProbeMedia(dir.file("D1.wmv"));
    EXPECT_NEAR(probe.picture_span_ms, 3000, probe.frame_ms);
    EXPECT_NEAR(probe.sound_ms, 3000, probe.frame_ms);
}

TEST(CaptureFileWriterTest, UnusableFormatsAndPathsAreRefusedWithAReason) {
    test::TempDir dir;
    CaptureFileWriter writer;
    CaptureFormat odd;
    odd.width = 641;
    EXPECT_NE(writer.Open(dir.file("a.avi"), odd), "");
    CaptureFormat three_channels;
    three_channels.channels = 3;
    EXPECT_NE(writer.Open(dir.file("a.avi"), three_channels), "");
    EXPECT_NE(writer.Open(dir.file("missing/folder/a.avi"), CaptureFormat{}), "");
    EXPECT_FALSE(writer.is_open());
    const std::uint8_t pixel[3] = {};
    EXPECT_NE(writer.WritePicture(pixel, 3, 0), "");
}

}  // namespace
}  // namespace kivo::encoding
