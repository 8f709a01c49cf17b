// CameraSource: where a video capture's pictures come from. The program's
// cameras are FFmpeg inputs (a Video4Linux device, or the virtual camera);
// tests give sources of their own through a CameraProvider.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

namespace kivo::video {

class CameraSource {
public:
    virtual ~CameraSource() = default;

    // Opens the device: empty on success, else the device's own reason
    // (busy, refused, unplugged).
    virtual QString Open() = 0;
    // The size and rate of the pictures Next gives, known once open.
    virtual QSize picture_size() const = 0;
    virtual int frames_per_second() const = 0;
    // Waits for the next picture and gives it as RGB888 of picture_size().
    // Called on the capture's own thread. False when the camera has failed or
    // ended (error() says why); Interrupt makes a waiting call return false.
    virtual bool Next(QImage* picture) = 0;
    // Asks a Next running on another thread to return; thread-safe.
    virtual void Interrupt() = 0;
    virtual QString error() const = 0;
};

struct CameraDevice {
    QString name;   // what the device list shows and "VidDev" keeps
    QByteArray id;  // what the provider opens it by
};

// Lists the cameras and opens one. Tests replace the program's provider.
class CameraProvider {
public:
    virtual ~CameraProvider() = default;
    virtual std::vector<CameraDevice> Cameras() const = 0;
    virtual std::unique_ptr<CameraSource> Make(const CameraDevice& device) const = 0;
};

}  // namespace kivo::video
