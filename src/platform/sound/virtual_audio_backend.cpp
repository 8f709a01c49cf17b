// The virtual sound card: an input tape read from a wave file, an output wave
// file appended to, and the three clocks that pace them.
#include "kivo/sound/virtual_audio_backend.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_reader.h"
#include "virtual_output_wave.h"

namespace kivo::sound {

namespace {

const QByteArray kVirtualInputId = QByteArrayLiteral("virtual-input");
const QByteArray kVirtualOutputId = QByteArrayLiteral("virtual-output");

std::uint8_t SilenceByte(const PcmFormat& format) {
    return format.bits_per_sample == 8 ? 0x80 : 0x00;
}

class VirtualStream;

}  // namespace

struct VirtualAudioBackend::Shared {
    Options options;
    std::optional<wavefile::WaveData> tape;
    PcmFormat tape_format;
    QString tape_error;
    std::int64_t tape_cursor_frames = 0;
    std::unique_ptr<VirtualOutputWave> output_wave;
    std::vector<VirtualStream*> streams;

    // The next `frames` frames of the tape in `format` (silence past its end).
    std::vector<std::uint8_t> TakeTape(const PcmFormat& format, std::int64_t frames);
};

namespace {

// What the two stream kinds share: a clock that says how many frames are due.
class VirtualStream {
public:
    VirtualStream(std::shared_ptr<VirtualAudioBackend::Shared> shared, const PcmFormat& format)
        : shared_(std::move(shared)), format_(format) {}
    virtual ~VirtualStream() { StopClock(); }

    // Lets `ms` of audio time pass (manual clock).
    void AdvanceMs(int ms) {
        elapsed_ms_ += ms;
        Step();
    }

protected:
    void StartClock(QObject* owner) {
        running_ = true;
        elapsed_ms_ = 0;
        delivered_frames_ = 0;
        shared_->streams.push_back(this);
        const auto clock = shared_->options.clock;
        if (clock == VirtualAudioBackend::Clock::kManual) {
            return;
        }
        timer_ = new QTimer(owner);
        timer_->setInterval(clock == VirtualAudioBackend::Clock::kFast
                                ? 0
                                : std::max(1, shared_->options.chunk_ms));
        real_time_.start();
        QObject::connect(timer_, &QTimer::timeout, owner, [this] {
            if (shared_->options.clock == VirtualAudioBackend::Clock::kFast) {
                elapsed_ms_ += std::max(1, shared_->options.chunk_ms);
            } else {
                elapsed_ms_ = real_time_.elapsed();
            }
            Step();
        });
        timer_->start();
    }

    void StopClock() {
        running_ = false;
        if (timer_ != nullptr) {
            timer_->stop();
            timer_->deleteLater();
            timer_ = nullptr;
        }
        auto& streams = shared_->streams;
        streams.erase(std::remove(streams.begin(), streams.end(), this), streams.end());
    }

    // Frames due by now that were not handled yet.
    std::int64_t DueFrames() const {
        return elapsed_ms_ * format_.sample_rate_hz / 1000 - delivered_frames_;
    }

    virtual void Step() = 0;

    std::shared_ptr<VirtualAudioBackend::Shared> shared_;
    PcmFormat format_;
    bool running_ = false;
    std::int64_t elapsed_ms_ = 0;
    std::int64_t delivered_frames_ = 0;

private:
    QTimer* timer_ = nullptr;
    QElapsedTimer real_time_;
};

class VirtualInputStream : public AudioInputStream, public VirtualStream {
public:
    VirtualInputStream(std::shared_ptr<VirtualAudioBackend::Shared> shared, const PcmFormat& format)
        : VirtualStream(std::move(shared), format) {}
    ~VirtualInputStream() override { StopClock(); }

    const PcmFormat& format() const override { return format_; }
    void SetBufferBytes(std::size_t) override {}
    bool Start(QString*) override {
        StartClock(this);
        return true;
    }
    std::size_t ReadAvailable(std::vector<std::uint8_t>* out) override {
        const std::size_t count = pending_.size();
        out->insert(out->end(), pending_.begin(), pending_.end());
        pending_.clear();
        return count;
    }
    void Stop() override { StopClock(); }
    bool is_running() const override { return running_; }

private:
    void Step() override {
        const std::int64_t frames = DueFrames();
        if (!running_ || frames <= 0) {
            return;
        }
        const std::vector<std::uint8_t> audio = shared_->TakeTape(format_, frames);
        pending_.insert(pending_.end(), audio.begin(), audio.end());
        delivered_frames_ += frames;
        QMetaObject::invokeMethod(
            this, [this] { emit dataArrived(); }, Qt::QueuedConnection);
    }

    std::vector<std::uint8_t> pending_;
};

class VirtualOutputStream : public AudioOutputStream, public VirtualStream {
public:
    VirtualOutputStream(std::shared_ptr<VirtualAudioBackend::Shared> shared,
                        const PcmFormat& format)
        : VirtualStream(std::move(shared), format) {}
    ~VirtualOutputStream() override { StopClock(); }

    const PcmFormat& format() const override { return format_; }
    bool Start(PcmSource* source, QString*) override {
        source_ = source;
        suspended_ = false;
        finished_ = false;
        StartClock(this);
        return true;
    }
    void Suspend() override { suspended_ = true; }
    void Resume() override {
        if (suspended_) {
            suspended_ = false;
            // Time spent suspended is not audio time.
            elapsed_ms_ = delivered_frames_ * 1000 / std::max(1, format_.sample_rate_hz);
        }
    }
    void Stop() override {
        StopClock();
        source_ = nullptr;
    }
    bool is_running() const override { return running_; }
    std::int64_t ReadFrames() const override { return delivered_frames_; }
    std::int64_t PlayedFrames() const override { return delivered_frames_; }

private:
    void Step() override {
        if (!running_ || source_ == nullptr) {
            return;
        }
        if (suspended_) {
            elapsed_ms_ = delivered_frames_ * 1000 / std::max(1, format_.sample_rate_hz);
            return;
        }
        const std::int64_t due = DueFrames();
        const std::size_t align = static_cast<std::size_t>(format_.block_align_bytes());
        if (due > 0) {
            buffer_.resize(static_cast<std::size_t>(due) * align);
            std::size_t filled = 0;
            while (filled < buffer_.size()) {
                const std::size_t got =
                    source_->ReadPcm(buffer_.data() + filled, buffer_.size() - filled);
                if (got == 0) {
                    break;
                }
                filled += got - got % align;
            }
            if (filled > 0) {
                WriteOut(buffer_.data(), filled);
                delivered_frames_ += static_cast<std::int64_t>(filled / align);
            }
            if (filled < buffer_.size() && !source_->AtEnd()) {
                // Nothing ready: the clock waits instead of playing silence,
                // so the output file holds exactly what was played.
                elapsed_ms_ = delivered_frames_ * 1000 / std::max(1, format_.sample_rate_hz);
            }
        }
        if (source_->AtEnd() && !finished_) {
            finished_ = true;
            StopClock();
            QMetaObject::invokeMethod(
                this, [this] { emit finished(); }, Qt::QueuedConnection);
        }
    }

    void WriteOut(const std::uint8_t* bytes, std::size_t size_bytes) {
        if (shared_->options.output_wave_path.isEmpty()) {
            return;
        }
        if (!shared_->output_wave) {
            shared_->output_wave =
                std::make_unique<VirtualOutputWave>(shared_->options.output_wave_path);
        }
        QString error;
        if (!shared_->output_wave->Append(format_, bytes, size_bytes, &error)) {
            StopClock();
            QMetaObject::invokeMethod(
                this, [this, error] { emit failed(error); }, Qt::QueuedConnection);
        }
    }

    PcmSource* source_ = nullptr;
    bool suspended_ = false;
    bool finished_ = false;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

std::vector<std::uint8_t> VirtualAudioBackend::Shared::TakeTape(const PcmFormat& format,
                                                                std::int64_t frames) {
    const std::size_t align = static_cast<std::size_t>(format.block_align_bytes());
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * align, SilenceByte(format));
    if (!tape) {
        return out;
    }
    const std::size_t tape_align = static_cast<std::size_t>(tape_format.block_align_bytes());
    const std::int64_t tape_frames = static_cast<std::int64_t>(tape->samples.size() / tape_align);
    // Tape frames that cover `frames` frames of the requested rate.
    const std::int64_t wanted =
        (frames * tape_format.sample_rate_hz + format.sample_rate_hz - 1) / format.sample_rate_hz;
    const std::int64_t available =
        std::clamp<std::int64_t>(tape_frames - tape_cursor_frames, 0, wanted);
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(wanted) * tape_align,
                                    SilenceByte(tape_format));
    std::copy_n(
        tape->samples.begin() + static_cast<std::ptrdiff_t>(tape_cursor_frames * tape_align),
        static_cast<std::size_t>(available) * tape_align, piece.begin());
    tape_cursor_frames += wanted;
    if (format == tape_format) {
        return piece;
    }
    std::vector<std::uint8_t> converted =
        wavefile::ConvertPcm(piece.data(), piece.size(), tape_format, format);
    std::copy_n(converted.begin(), std::min(converted.size(), out.size()), out.begin());
    return out;
}

VirtualAudioBackend::VirtualAudioBackend(Options options) : shared_(std::make_shared<Shared>()) {
    shared_->options = std::move(options);
    if (!shared_->options.input_wave_path.isEmpty()) {
        wavefile::WaveData wave;
        const wavefile::WaveStatus status =
            wavefile::ReadWaveFile(shared_->options.input_wave_path.toStdString(), &wave);
        if (!status.ok()) {
            shared_->tape_error = QString::fromStdString(status.message());
        } else if (!wave.info.format.AsPlayablePcm()) {
            shared_->tape_error = QStringLiteral("not 8- or 16-bit PCM in one or two channels");
        } else {
            shared_->tape_format = *wave.info.format.AsPlayablePcm();
            shared_->tape = std::move(wave);
        }
    }
}

VirtualAudioBackend::~VirtualAudioBackend() = default;

QString VirtualAudioBackend::name() const {
    return QStringLiteral("virtual");
}

std::vector<AudioDeviceInfo> VirtualAudioBackend::InputDevices() const {
    return {AudioDeviceInfo{kVirtualInputId, QStringLiteral("Virtual microphone"), true}};
}

std::vector<AudioDeviceInfo> VirtualAudioBackend::OutputDevices() const {
    return {AudioDeviceInfo{kVirtualOutputId, QStringLiteral("Virtual speaker"), true}};
}

bool VirtualAudioBackend::IsInputFormatSupported(const QByteArray& device_id,
                                                 const PcmFormat& format) const {
    return (device_id.isEmpty() || device_id == kVirtualInputId) && format.IsPlayable();
}

std::unique_ptr<AudioInputStream> VirtualAudioBackend::OpenInput(const QByteArray& device_id,
                                                                 const PcmFormat& format,
                                                                 QString* error) {
    if (!IsInputFormatSupported(device_id, format)) {
        *error = QStringLiteral("the virtual microphone does not record this format");
        return nullptr;
    }
    if (!shared_->tape_error.isEmpty()) {
        *error = QStringLiteral("the virtual microphone cannot read \"%1\": %2")
                     .arg(shared_->options.input_wave_path, shared_->tape_error);
        return nullptr;
    }
    return std::make_unique<VirtualInputStream>(shared_, format);
}

std::unique_ptr<AudioOutputStream> VirtualAudioBackend::OpenOutput(const QByteArray& device_id,
                                                                   const PcmFormat& format,
                                                                   QString* error) {
    if (!(device_id.isEmpty() || device_id == kVirtualOutputId) || !format.IsPlayable()) {
        *error = QStringLiteral("the virtual speaker does not play this format");
        return nullptr;
    }
    return std::make_unique<VirtualOutputStream>(shared_, format);
}

void VirtualAudioBackend::Advance(int ms) {
    // A stream may stop (and leave the list) while it is stepped.
    const std::vector<VirtualStream*> streams = shared_->streams;
    for (VirtualStream* stream : streams) {
        const auto& now = shared_->streams;
        if (std::find(now.begin(), now.end(), stream) != now.end()) {
            stream->AdvanceMs(ms);
        }
    }
}

std::int64_t VirtualAudioBackend::tape_position_frames() const {
    return shared_->tape_cursor_frames;
}

}  // namespace kivo::sound
