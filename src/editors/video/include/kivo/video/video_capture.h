// VideoCapture: records a camera's pictures and a microphone's sound into a
// capture file (encoding::CaptureFileWriter: Motion JPEG and PCM in AVI).
//
// The camera is read on a thread of the capture's own, which places each
// picture by the capture clock; the microphone is an AudioInputStream on the
// user-interface thread whose sound is placed by its sample count. Both
// write under one lock, so picture and sound stay in step.
//
// A camera or microphone that fails half way (unplugged, refused) ends the
// capture with the file closed: what was captured stays usable, and
// `failed` says why.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "kivo/encoding/capture_file_writer.h"
#include "kivo/sound/audio_backend.h"
#include "kivo/video/camera_source.h"

namespace kivo::video {

// The microphone's form in a capture: 22,050 Hz mono, 16 bits.
inline constexpr wavefile::PcmFormat kCaptureSound{1, 22050, 16};

class VideoCapture : public QObject {
    Q_OBJECT
public:
    VideoCapture(sound::AudioBackend& backend, QObject* parent = nullptr);
    ~VideoCapture() override;  // stops

    // Opens the camera and the microphone (`audio_device`; empty for the
    // selected one) and starts writing `capture_path`. Empty on success,
    // else the device's or the file's own reason (nothing is left running).
    QString Start(std::unique_ptr<CameraSource> camera, const QByteArray& audio_device,
                  const std::filesystem::path& capture_path);
    // Ends the capture and closes the file (complete from then on).
    void Stop();

    bool running() const { return running_; }
    // Time since Start, frozen at Stop.
    std::int64_t duration_ms() const;
    std::int64_t pictures() const { return pictures_.load(); }

signals:
    // The latest picture, for the preview (queued to the capture's thread).
    void pictureArrived(const QImage& picture);
    // The capture ended by itself; the file holds what came before.
    void failed(const QString& reason);

private:
    void ReadCamera();
    void TakeSound();
    void EndWithFailure(const QString& reason);

    sound::AudioBackend& backend_;
    std::unique_ptr<CameraSource> camera_;
    std::unique_ptr<sound::AudioInputStream> microphone_;
    encoding::CaptureFileWriter writer_;
    std::mutex writer_lock_;
    std::thread camera_thread_;
    std::atomic<bool> camera_stopping_{false};
    std::atomic<std::int64_t> pictures_{0};
    QElapsedTimer clock_;
    static constexpr std::int64_t kFlushInterval_ms = 1000;
    std::int64_t flushed_ms_ = 0;
    std::int64_t final_duration_ms_ = 0;
    bool running_ = false;
};

}  // namespace kivo::video
