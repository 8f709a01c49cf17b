// Sound devices through Qt Multimedia. Input uses QAudioSource in push mode
// (the source signals readyRead; ReadAvailable drains it). Output uses
// QAudioSink in push mode fed by a 20 ms timer from the PcmSource, which
// keeps the source on this thread and lets the stream notice the end.
#include "kivo/sound/qt_audio_backend.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>

namespace kivo::sound {

namespace {

constexpr int kFeedIntervalMs = 20;
constexpr int kOutputBufferMs = 250;
// PulseAudio hands a recording stream its audio a whole buffer at a time and
// drops an unfinished buffer when the stream stops, so the buffer bounds what
// a Stop can lose; asked for explicitly rather than left to the server's or
// the Qt version's default (which can be seconds).
constexpr int kInputBufferMs = 50;

QAudioFormat ToQt(const PcmFormat& format) {
    QAudioFormat qt;
    qt.setSampleRate(format.sample_rate_hz);
    qt.setChannelCount(format.channels);
    qt.setSampleFormat(format.bits_per_sample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return qt;
}

std::vector<AudioDeviceInfo> Describe(const QList<QAudioDevice>& devices) {
    std::vector<AudioDeviceInfo> result;
    for (const QAudioDevice& device : devices) {
        result.push_back(AudioDeviceInfo{device.id(), device.description(), device.isDefault()});
    }
    return result;
}

QAudioDevice FindDevice(const QList<QAudioDevice>& devices, const QByteArray& id,
                        const QAudioDevice& fallback) {
    for (const QAudioDevice& device : devices) {
        if (device.id() == id) {
            return device;
        }
    }
    return fallback;
}

QString ErrorText(QAudio::Error error) {
    switch (error) {
        case QAudio::OpenError:
            return QStringLiteral("the audio device could not be opened");
        case QAudio::IOError:
            return QStringLiteral("the audio device failed while reading or writing");
        case QAudio::UnderrunError:
            return QStringLiteral("the audio device ran out of data");
        case QAudio::FatalError:
            return QStringLiteral("the audio device is no longer available");
        case QAudio::NoError:
            break;
    }
    return QString();
}

class QtInputStream : public AudioInputStream {
public:
    QtInputStream(const QAudioDevice& device, const PcmFormat& format)
        : format_(format), source_(device, ToQt(format)) {
        source_.setBufferSize(static_cast<qsizetype>(format.bytes_per_second()) * kInputBufferMs /
                              1000);
        connect(&source_, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::StoppedState && source_.error() != QAudio::NoError && running_) {
                running_ = false;
                emit failed(ErrorText(source_.error()));
            }
        });
    }
    ~QtInputStream() override { source_.stop(); }

    const PcmFormat& format() const override { return format_; }
    // Not passed on: the device buffer stays short (kInputBufferMs), since
    // PulseAudio delivers nothing until a whole buffer is full and drops the
    // unfinished one on stop. Captured audio waits in the server and in Qt's
    // queue while the window is busy (six busy seconds lost nothing when
    // measured).
    void SetBufferBytes(std::size_t) override {}
    bool Start(QString* error) override {
        device_ = source_.start();
        if (device_ == nullptr || source_.error() != QAudio::NoError) {
            *error = ErrorText(source_.error());
            if (error->isEmpty()) {
                *error = QStringLiteral("the audio device could not be started");
            }
            return false;
        }
        running_ = true;
        connect(device_, &QIODevice::readyRead, this, [this] { emit dataArrived(); });
        return true;
    }
    std::size_t ReadAvailable(std::vector<std::uint8_t>* out) override {
        if (device_ != nullptr) {
            const QByteArray bytes = device_->readAll();
            partial_.insert(partial_.end(), bytes.begin(), bytes.end());
        }
        const std::size_t align = static_cast<std::size_t>(format_.block_align_bytes());
        const std::size_t whole = partial_.size() - partial_.size() % align;
        out->insert(out->end(), partial_.begin(), partial_.begin() + whole);
        partial_.erase(partial_.begin(), partial_.begin() + whole);
        return whole;
    }
    void Stop() override {
        if (device_ != nullptr) {
            // Keep what was captured before the device stops.
            const QByteArray bytes = device_->readAll();
            partial_.insert(partial_.end(), bytes.begin(), bytes.end());
        }
        running_ = false;
        source_.stop();
        device_ = nullptr;
    }
    bool is_running() const override { return running_; }

private:
    PcmFormat format_;
    QAudioSource source_;
    QIODevice* device_ = nullptr;
    std::vector<std::uint8_t> partial_;
    bool running_ = false;
};

class QtOutputStream : public AudioOutputStream {
public:
    QtOutputStream(const QAudioDevice& device, const PcmFormat& format)
        : format_(format), sink_(device, ToQt(format)) {
        sink_.setBufferSize(static_cast<qsizetype>(format.bytes_per_second()) * kOutputBufferMs /
                            1000);
        feed_timer_.setInterval(kFeedIntervalMs);
        connect(&feed_timer_, &QTimer::timeout, this, [this] { Feed(); });
        connect(&sink_, &QAudioSink::stateChanged, this,
                [this](QAudio::State state) { OnStateChanged(state); });
    }
    ~QtOutputStream() override {
        feed_timer_.stop();
        sink_.stop();
    }

    const PcmFormat& format() const override { return format_; }
    bool Start(PcmSource* source, QString* error) override {
        source_ = source;
        read_frames_ = 0;
        draining_ = false;
        device_ = sink_.start();
        if (device_ == nullptr || sink_.error() != QAudio::NoError) {
            *error = ErrorText(sink_.error());
            if (error->isEmpty()) {
                *error = QStringLiteral("the audio device could not be started");
            }
            return false;
        }
        running_ = true;
        Feed();
        feed_timer_.start();
        return true;
    }
    void Suspend() override {
        sink_.suspend();
        feed_timer_.stop();
    }
    void Resume() override {
        sink_.resume();
        feed_timer_.start();
    }
    void Stop() override {
        running_ = false;
        feed_timer_.stop();
        sink_.stop();
        device_ = nullptr;
        source_ = nullptr;
    }
    bool is_running() const override { return running_; }
    std::int64_t ReadFrames() const override { return read_frames_; }
    std::int64_t PlayedFrames() const override {
        const std::int64_t played = sink_.processedUSecs() * format_.sample_rate_hz / 1000000 -
                                    static_cast<std::int64_t>(std::max<qsizetype>(
                                        0, sink_.bufferSize() - sink_.bytesFree())) /
                                        format_.block_align_bytes();
        return std::clamp<std::int64_t>(played, 0, read_frames_);
    }

private:
    void Feed() {
        if (!running_ || device_ == nullptr || source_ == nullptr) {
            return;
        }
        const std::size_t align = static_cast<std::size_t>(format_.block_align_bytes());
        std::size_t free_bytes =
            static_cast<std::size_t>(std::max<qsizetype>(0, sink_.bytesFree()));
        free_bytes -= free_bytes % align;
        buffer_.resize(free_bytes);
        std::size_t filled = 0;
        while (filled < free_bytes) {
            const std::size_t got = source_->ReadPcm(buffer_.data() + filled, free_bytes - filled);
            if (got == 0) {
                break;
            }
            filled += got - got % align;
        }
        if (filled > 0) {
            device_->write(reinterpret_cast<const char*>(buffer_.data()),
                           static_cast<qint64>(filled));
            read_frames_ += static_cast<std::int64_t>(filled / align);
        }
        if (source_->AtEnd() && !draining_) {
            draining_ = true;
        }
        if (draining_ && sink_.bytesFree() >= sink_.bufferSize()) {
            Finish();
        }
    }

    void OnStateChanged(QAudio::State state) {
        if (!running_) {
            return;
        }
        if (state == QAudio::StoppedState && sink_.error() != QAudio::NoError &&
            sink_.error() != QAudio::UnderrunError) {
            const QString text = ErrorText(sink_.error());
            Stop();
            emit failed(text);
        } else if (state == QAudio::IdleState && draining_) {
            Finish();
        }
    }

    void Finish() {
        feed_timer_.stop();
        running_ = false;
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    }

    PcmFormat format_;
    QAudioSink sink_;
    QIODevice* device_ = nullptr;
    QTimer feed_timer_;
    PcmSource* source_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    std::int64_t read_frames_ = 0;
    bool running_ = false;
    bool draining_ = false;
};

}  // namespace

QString QtAudioBackend::name() const {
    return QStringLiteral("qt");
}

std::vector<AudioDeviceInfo> QtAudioBackend::InputDevices() const {
    return Describe(QMediaDevices::audioInputs());
}

std::vector<AudioDeviceInfo> QtAudioBackend::OutputDevices() const {
    return Describe(QMediaDevices::audioOutputs());
}

bool QtAudioBackend::IsInputFormatSupported(const QByteArray& device_id,
                                            const PcmFormat& format) const {
    const QByteArray id = device_id.isEmpty() ? selected_input_device() : device_id;
    const QAudioDevice device =
        FindDevice(QMediaDevices::audioInputs(), id, QMediaDevices::defaultAudioInput());
    return !device.isNull() && format.IsPlayable() && device.isFormatSupported(ToQt(format));
}

std::unique_ptr<AudioInputStream> QtAudioBackend::OpenInput(const QByteArray& device_id,
                                                            const PcmFormat& format,
                                                            QString* error) {
    const QByteArray id = device_id.isEmpty() ? selected_input_device() : device_id;
    const QAudioDevice device =
        FindDevice(QMediaDevices::audioInputs(), id, QMediaDevices::defaultAudioInput());
    if (device.isNull()) {
        *error = QStringLiteral("there is no recording device");
        return nullptr;
    }
    if (!format.IsPlayable() || !device.isFormatSupported(ToQt(format))) {
        *error = QStringLiteral("the recording device \"%1\" does not record this format")
                     .arg(device.description());
        return nullptr;
    }
    return std::make_unique<QtInputStream>(device, format);
}

std::unique_ptr<AudioOutputStream> QtAudioBackend::OpenOutput(const QByteArray& device_id,
                                                              const PcmFormat& format,
                                                              QString* error) {
    const QAudioDevice device =
        FindDevice(QMediaDevices::audioOutputs(), device_id, QMediaDevices::defaultAudioOutput());
    if (device.isNull()) {
        *error = QStringLiteral("there is no playback device");
        return nullptr;
    }
    if (!format.IsPlayable() || !device.isFormatSupported(ToQt(format))) {
        *error = QStringLiteral("the playback device \"%1\" does not play this format")
                     .arg(device.description());
        return nullptr;
    }
    return std::make_unique<QtOutputStream>(device, format);
}

}  // namespace kivo::sound
