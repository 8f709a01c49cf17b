// A CameraSource over an FFmpeg input: a Video4Linux device, the lavfi test
// picture, or a video file. Pictures are decoded and converted to RGB888.
// A file (and the test picture) is paced to real time, as a camera would
// deliver it, and a file starts over at its end.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "kivo/video/camera_source.h"

namespace kivo::video {

struct FfmpegCameraInput {
    std::string format;  // FFmpeg's input name ("v4l2", "lavfi"); empty: guessed from the file
    std::string url;     // device path, filter text or file path
    bool paced = false;  // deliver at the pictures' own times
    bool loops = false;  // start over at the end
};

class FfmpegCameraSource : public CameraSource {
public:
    explicit FfmpegCameraSource(FfmpegCameraInput input);
    ~FfmpegCameraSource() override;

    QString Open() override;
    QSize picture_size() const override;
    int frames_per_second() const override { return frames_per_second_; }
    bool Next(QImage* picture) override;
    void Interrupt() override { interrupted_.store(true); }
    QString error() const override { return error_; }

private:
    struct Decoding;
    bool Fail(const QString& why);
    bool Rewind();

    FfmpegCameraInput input_;
    std::unique_ptr<Decoding> decoding_;
    int frames_per_second_ = 25;
    std::atomic<bool> interrupted_{false};
    QString error_;
    std::chrono::steady_clock::time_point paced_from_;
    std::int64_t pace_offset_ms_ = 0;  // the time of the pictures before the last rewind
    std::int64_t last_picture_ms_ = 0;
};

}  // namespace kivo::video
