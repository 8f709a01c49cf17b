// SystemCameras: the program's cameras. Normally the video inputs of Qt
// Multimedia (QMediaDevices::videoInputs), each captured through FFmpeg's
// Video4Linux input by its device path. With KIVO_VIDEO=virtual the one
// camera is the virtual camera, "Kivo Virtual Camera": FFmpeg's test picture
// (640x480, 25 a second) or, when KIVO_VIDEO_IN names a video file, that
// file's pictures, played in real time and over again from the start.
#pragma once

#include "kivo/video/camera_source.h"

namespace kivo::video {

inline constexpr const char* kVirtualCameraName = "Kivo Virtual Camera";

class SystemCameras : public CameraProvider {
public:
    std::vector<CameraDevice> Cameras() const override;
    std::unique_ptr<CameraSource> Make(const CameraDevice& device) const override;
};

// The virtual camera's source, whatever KIVO_VIDEO says: the file
// `video_file` in real time, or the test picture when it is empty.
std::unique_ptr<CameraSource> MakeVirtualCamera(const QString& video_file = {});

}  // namespace kivo::video
