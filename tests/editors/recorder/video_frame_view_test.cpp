// The video frame every video window shares: a picture scaled into it on
// black, a frame handed to its sink drawn the same way, the placeholder
// without a picture.
#include "kivo/recorder/video_frame_view.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>
#include <cstdlib>
#include <cstring>

namespace kivo::recorder {
namespace {

QImage Grab(VideoFrameView& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(VideoFrameViewTest, AWidePictureIsScaledToTheWidthAndCentredOnBlack) {
    VideoFrameView view;
    view.resize(200, 200);
    QImage wide(100, 50, QImage::Format_RGB32);
    wide.fill(Qt::red);
    view.ShowPicture(wide);
    const QImage shown = Grab(view);
    // 200x100 in the middle: rows 50..149 red, the bands above and below black.
    EXPECT_EQ(shown.pixelColor(100, 100), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(5, 55), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(100, 20), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(100, 180), QColor(Qt::black));
}

// A light gray frame, as a decoder hands one over (every byte 0xC0: gray
// whichever order the channels come in).
QVideoFrame GrayFrame(const QSize& size) {
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_XRGB8888));
    if (frame.map(QVideoFrame::WriteOnly)) {
        std::memset(frame.bits(0), 0xC0,
                    static_cast<std::size_t>(frame.bytesPerLine(0)) * size.height());
        frame.unmap();
    }
    return frame;
}

bool IsLightGray(const QColor& color) {
    return std::abs(color.red() - 0xC0) < 8 && std::abs(color.green() - 0xC0) < 8 &&
           std::abs(color.blue() - 0xC0) < 8;
}

TEST(VideoFrameViewTest, AFrameWrittenToTheSinkIsDrawnAndAnEmptyFrameKeepsIt) {
    VideoFrameView view;
    view.resize(64, 48);
    view.sink()->setVideoFrame(GrayFrame({64, 48}));
    ASSERT_FALSE(view.picture().isNull());
    EXPECT_TRUE(IsLightGray(Grab(view).pixelColor(32, 24)))
        << Grab(view).pixelColor(32, 24).name().toStdString();

    // A player that stops sends an empty frame: the last picture stays.
    view.sink()->setVideoFrame(QVideoFrame());
    EXPECT_TRUE(IsLightGray(Grab(view).pixelColor(32, 24)));
}

TEST(VideoFrameViewTest, WithoutAPictureTheFrameIsBlackAndClearForgetsThePicture) {
    VideoFrameView view;
    view.resize(40, 30);
    EXPECT_TRUE(view.picture().isNull());
    EXPECT_EQ(Grab(view).pixelColor(2, 2), QColor(Qt::black));
    QImage white(4, 3, QImage::Format_RGB32);
    white.fill(Qt::white);
    view.ShowPicture(white);
    EXPECT_EQ(Grab(view).pixelColor(20, 15), QColor(Qt::white));
    view.Clear();
    EXPECT_TRUE(view.picture().isNull());
    EXPECT_EQ(Grab(view).pixelColor(20, 15), QColor(Qt::black));
}

}  // namespace
}  // namespace kivo::recorder
