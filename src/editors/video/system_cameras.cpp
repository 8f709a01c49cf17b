// The program's cameras (see system_cameras.h).
#include "kivo/video/system_cameras.h"

#include <QCameraDevice>
#include <QMediaDevices>

#include "ffmpeg_camera_source.h"

namespace kivo::video {
namespace {

const QByteArray kVirtualId = QByteArrayLiteral("virtual");

bool VirtualCameraWanted() {
    return qEnvironmentVariable("KIVO_VIDEO") == QLatin1String("virtual");
}

}  // namespace

std::unique_ptr<CameraSource> MakeVirtualCamera(const QString& video_file) {
    FfmpegCameraInput input;
    input.paced = true;
    if (video_file.isEmpty()) {
        input.format = "lavfi";
        input.url = "testsrc=size=640x480:rate=25";
    } else {
        input.url = video_file.toStdString();
        input.loops = true;
    }
    return std::make_unique<FfmpegCameraSource>(std::move(input));
}

std::vector<CameraDevice> SystemCameras::Cameras() const {
    if (VirtualCameraWanted())
        return {{QString::fromLatin1(kVirtualCameraName), kVirtualId}};
    std::vector<CameraDevice> cameras;
    for (const QCameraDevice& camera : QMediaDevices::videoInputs())
        cameras.push_back({camera.description(), camera.id()});
    return cameras;
}

std::unique_ptr<CameraSource> SystemCameras::Make(const CameraDevice& device) const {
    if (device.id == kVirtualId)
        return MakeVirtualCamera(qEnvironmentVariable("KIVO_VIDEO_IN"));
    FfmpegCameraInput input;
    input.format = "v4l2";
    input.url = device.id.toStdString();  // the device path ("/dev/video0")
    return std::make_unique<FfmpegCameraSource>(std::move(input));
}

}  // namespace kivo::video
