// Camera and microphone into one capture file (see video_capture.h).
#include "kivo/video/video_capture.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QMetaObject>
#include <vector>

namespace kivo::video {
namespace {

Q_LOGGING_CATEGORY(lcVideoCapture, "kivo.video.capture")

}  // namespace

VideoCapture::VideoCapture(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {}

VideoCapture::~VideoCapture() {
    Stop();
}

QString VideoCapture::Start(std::unique_ptr<CameraSource> camera, const QByteArray& audio_device,
                            const std::filesystem::path& capture_path) {
    Stop();
    if (!camera)
        return QStringLiteral("no camera");
    if (QString refused = camera->Open(); !refused.isEmpty())
        return refused;
    QString error;
    std::unique_ptr<sound::AudioInputStream> microphone =
        backend_.OpenInput(audio_device, kCaptureSound, &error);
    if (!microphone)
        return error.isEmpty() ? QStringLiteral("the microphone cannot be opened") : error;

    encoding::CaptureFormat format;
    format.width = camera->picture_size().width();
    format.height = camera->picture_size().height();
    format.frames_per_second = camera->frames_per_second();
    format.sample_rate_hz = kCaptureSound.sample_rate_hz;
    format.channels = kCaptureSound.channels;
    if (std::string refused = writer_.Open(capture_path.string(), format); !refused.empty())
        return QString::fromStdString(refused);
    connect(microphone.get(), &sound::AudioInputStream::dataArrived, this,
            &VideoCapture::TakeSound);
    connect(microphone.get(), &sound::AudioInputStream::failed, this,
            [this](const QString& reason) { EndWithFailure(reason); });
    if (!microphone->Start(&error)) {
        writer_.Close();
        return error;
    }
    camera_ = std::move(camera);
    microphone_ = std::move(microphone);
    pictures_ = 0;
    camera_stopping_ = false;
    clock_.start();
    flushed_ms_ = 0;
    running_ = true;
    camera_thread_ = std::thread([this] { ReadCamera(); });
    return {};
}

void VideoCapture::ReadCamera() {
    QImage picture;
    while (!camera_stopping_.load()) {
        if (!camera_->Next(&picture)) {
            if (camera_stopping_.load())
                return;
            const QString reason = camera_->error();
            QMetaObject::invokeMethod(
                this, [this, reason] { EndWithFailure(reason); }, Qt::QueuedConnection);
            return;
        }
        std::string failed;
        {
            std::lock_guard<std::mutex> hold(writer_lock_);
            failed = writer_.WritePicture(
                picture.constBits(), static_cast<int>(picture.bytesPerLine()), clock_.elapsed());
        }
        if (!failed.empty()) {
            const QString reason = QString::fromStdString(failed);
            QMetaObject::invokeMethod(
                this, [this, reason] { EndWithFailure(reason); }, Qt::QueuedConnection);
            return;
        }
        ++pictures_;
        emit pictureArrived(picture);
    }
}

void VideoCapture::TakeSound() {
    if (!microphone_)
        return;
    std::vector<std::uint8_t> bytes;
    microphone_->ReadAvailable(&bytes);
    const int frames = static_cast<int>(bytes.size() / 2);
    std::string failed;
    {
        std::lock_guard<std::mutex> hold(writer_lock_);
        failed = writer_.WriteSound(reinterpret_cast<const std::int16_t*>(bytes.data()), frames);
        // About once a second the capture reaches the system: a crash of the
        // program loses little of it (video_take_journal.h).
        if (clock_.elapsed() - flushed_ms_ >= kFlushInterval_ms) {
            writer_.Flush();
            flushed_ms_ = clock_.elapsed();
        }
    }
    if (!failed.empty())
        EndWithFailure(QString::fromStdString(failed));
}

void VideoCapture::EndWithFailure(const QString& reason) {
    if (!running_)
        return;
    qCWarning(lcVideoCapture) << "Capture ended:" << reason;
    Stop();
    emit failed(reason);
}

void VideoCapture::Stop() {
    if (!running_)
        return;
    running_ = false;
    final_duration_ms_ = clock_.elapsed();
    camera_stopping_ = true;
    camera_->Interrupt();
    if (camera_thread_.joinable())
        camera_thread_.join();
    microphone_->Stop();
    TakeSound();  // what the microphone still held
    microphone_.reset();
    camera_.reset();
    std::lock_guard<std::mutex> hold(writer_lock_);
    if (std::string failed = writer_.Close(); !failed.empty())
        qCWarning(lcVideoCapture) << "Capture file not closed cleanly:" << failed.c_str();
}

std::int64_t VideoCapture::duration_ms() const {
    return running_ ? clock_.elapsed() : final_duration_ms_;
}

}  // namespace kivo::video
