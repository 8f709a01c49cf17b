// The recorder's buffer chain, take files and wave file, and the small
// player (see xr_wave.h).
#include "kivo/audio/xr_wave.h"

#include <QFile>
#include <QFileInfo>

#include "audio_log.h"
#include "kivo/wavefile/peak_level.h"
#include "kivo/wavefile/raw_take_file.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "memory_pcm_source.h"

namespace kivo::audio {

// The open take file while recording.
class XRWave::TakeFile {
public:
    explicit TakeFile(const QString& path) : file_(path) {}
    bool Create() { return file_.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    bool Append(const std::uint8_t* bytes, std::size_t size_bytes) {
        return file_.write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(size_bytes)) ==
               static_cast<qint64>(size_bytes);
    }
    bool Close() {
        const bool flushed = file_.flush();
        file_.close();
        return flushed && file_.error() == QFileDevice::NoError;
    }
    QString error_text() const { return file_.errorString(); }

private:
    QFile file_;
};

void XRWave::StreamDeleter::operator()(QObject* stream) const {
    // A stream may be released from inside one of its own signals.
    stream->disconnect();
    stream->deleteLater();
}

XRWave::XRWave(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {}

XRWave::~XRWave() {
    // No signals to an owner that is going away too.
    blockSignals(true);
    Reset();
}

int XRWave::Record(int buffer_divisor, int rec_qual) {
    Reset();
    format_ = wavefile::FormatForQuality(rec_qual);
    if (buffer_divisor < 1) {
        last_error_ = QStringLiteral("Record: Invalid buffer divisor");
        return 0;
    }
    if (!backend_.IsInputFormatSupported(QByteArray(), format_)) {
        last_error_ =
            QStringLiteral("Record: Failed to open wave device when checking for format\n%1")
                .arg(QStringLiteral("The recording device does not record this format."));
        return 0;
    }
    QString device_error;
    std::unique_ptr<sound::AudioInputStream, StreamDeleter> input(
        backend_.OpenInput(QByteArray(), format_, &device_error).release());
    if (!input) {
        last_error_ = QStringLiteral("Record: Failed to open wavein device\n%1").arg(device_error);
        return 0;
    }
    buffer_bytes_ = static_cast<std::size_t>(format_.bytes_per_second() / buffer_divisor);
    const auto align = static_cast<std::size_t>(format_.block_align_bytes());
    buffer_bytes_ = std::max(align, buffer_bytes_ - buffer_bytes_ % align);
    input->SetBufferBytes(buffer_bytes_ * kBufferCount);

    // The take file is made before the device starts, so that a take that
    // cannot be stored is refused instead of silently lost.
    auto take = std::make_unique<TakeFile>(take_path_);
    if (take_path_.isEmpty() || !take->Create()) {
        last_error_ = QStringLiteral("Record: Failed to create the take file\n%1: %2")
                          .arg(take_path_, take->error_text());
        return 0;
    }
    connect(input.get(), &sound::AudioInputStream::dataArrived, this, &XRWave::OnDataArrived);
    connect(input.get(), &sound::AudioInputStream::failed, this, &XRWave::OnInputFailed);
    current_buffer_ = 0;
    captured_.clear();
    if (!input->Start(&device_error)) {
        take->Close();
        QFile::remove(take_path_);
        last_error_ =
            QStringLiteral("Record: Failed to start wave in device\n%1").arg(device_error);
        return 0;
    }
    input_ = std::move(input);
    take_file_ = std::move(take);
    take_write_failed_ = false;
    take_bytes_ = 0;
    data_size_bytes_ = 0;
    format_block_.clear();
    has_data_ = true;
    emit inputOpened();
    return 1;
}

void XRWave::OnDataArrived() {
    if (stopping_ || !input_) {
        // Ignored entirely: the audio stays in the device until Stop reads it.
        return;
    }
    DrainInput(true);
}

void XRWave::DrainInput(bool from_notification) {
    input_->ReadAvailable(&captured_);
    std::size_t offset = 0;
    while (captured_.size() - offset >= buffer_bytes_) {
        CompleteBuffer(captured_.data() + offset, buffer_bytes_, from_notification);
        offset += buffer_bytes_;
    }
    captured_.erase(captured_.begin(), captured_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void XRWave::CompleteBuffer(const std::uint8_t* bytes, std::size_t size_bytes,
                            bool from_notification) {
    if (!paused_) {
        WriteToTake(bytes, size_bytes);
    }
    current_buffer_ = (current_buffer_ + 1) % kBufferCount;
    if (!from_notification) {
        return;
    }
    if (recording_active_ && !paused_) {
        const wavefile::PeakLevels peaks = wavefile::ComputePeakLevels(bytes, size_bytes, format_);
        left_level_ = peaks.left;
        right_level_ = peaks.right;
        level_updated_ = true;
        emit levelsUpdated(left_level_, right_level_);
    }
    emit bufferRecorded();
}

void XRWave::WriteToTake(const std::uint8_t* bytes, std::size_t size_bytes) {
    if (size_bytes == 0 || !take_file_ || take_write_failed_) {
        return;
    }
    if (!take_file_->Append(bytes, size_bytes)) {
        take_write_failed_ = true;
        last_error_ = QStringLiteral("Record: Failed to write the take file\n%1: %2")
                          .arg(take_path_, take_file_->error_text());
        emit recordingFailed(last_error_);
        return;
    }
    take_bytes_ += size_bytes;
}

void XRWave::OnInputFailed(const QString& error) {
    last_error_ = QStringLiteral("Record: The recording device failed\n%1").arg(error);
    emit recordingFailed(last_error_);
}

int XRWave::Stop() {
    if (stop_guard_) {
        stop_guard_ = false;
        return 1;
    }
    stop_guard_ = true;
    if (output_) {
        StopPlayback();
    } else if (input_) {
        StopRecording();
    }
    stop_guard_ = false;
    return 1;
}

void XRWave::StopPlayback() {
    qCDebug(lcAudio) << "Wave out stopping";
    output_->Stop();
    output_.reset();
    play_source_.reset();
    emit outputClosed();
}

void XRWave::StopRecording() {
    // Everything captured before Stop is written, including buffers whose
    // notifications are still queued: those arrive later and are ignored.
    input_->Stop();
    DrainInput(false);
    if (!paused_) {
        WriteToTake(captured_.data(), captured_.size());
    }
    captured_.clear();
    if (take_file_ && !take_file_->Close() && !take_write_failed_) {
        take_write_failed_ = true;
        last_error_ = QStringLiteral("Record: Failed to write the take file\n%1: %2")
                          .arg(take_path_, take_file_->error_text());
    }
    take_file_.reset();
    data_size_bytes_ = take_bytes_;
    input_.reset();
    emit inputClosed();
}

int XRWave::AppendTake() {
    const int result =
        wavefile::AppendTakeFile(take_path_.toStdString(), accumulated_path_.toStdString());
    if (result != wavefile::kAppendTakeOk) {
        last_error_ = QStringLiteral("AppendTake: error %1").arg(result);
    }
    return result;
}

int XRWave::SaveWaveFile() {
    qCDebug(lcAudio) << "SaveWaveFile called";
    // What is saved is the accumulated file; it decides whether there is
    // anything to save (the last take alone may be empty).
    const QFileInfo accumulated(accumulated_path_);
    if (accumulated_path_.isEmpty() || !accumulated.exists() || accumulated.size() == 0) {
        return kSaveOk;
    }
    const wavefile::WaveStatus status = wavefile::WriteRecorderWave(
        wave_path_.toStdString(), format_, accumulated_path_.toStdString());
    if (!status.ok()) {
        last_error_ = QString::fromStdString(status.message());
        qCDebug(lcAudio) << "SaveWaveFile failed:" << last_error_;
        return kSaveFailed;
    }
    return kSaveOk;
}

int XRWave::Reset() {
    Stop();
    captured_.clear();
    samples_.clear();
    samples_.shrink_to_fit();
    format_block_.clear();
    buffer_bytes_ = 0;
    current_buffer_ = 0;
    data_size_bytes_ = 0;
    has_data_ = false;
    return 1;
}

int XRWave::LoadFile(const QString& path) {
    Reset();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcAudio).noquote() << "mmioOpen() -- Failed to open file: " + path;
        return 0;
    }
    return LoadFromBytes(file.readAll(), path, false);
}

int XRWave::LoadResource(const QString& resource_path) {
    Reset();
    QFile resource(resource_path);
    if (!resource.exists()) {
        qCDebug(lcAudio).noquote() << "Failed to find 'wave' resource " + resource_path;
        return 0;
    }
    if (!resource.open(QIODevice::ReadOnly)) {
        qCDebug(lcAudio).noquote() << "Failed to load 'wave' resource " + resource_path;
        return 0;
    }
    return LoadFromBytes(resource.readAll(), resource_path, true);
}

int XRWave::LoadFromBytes(const QByteArray& bytes, const QString& name, bool resource) {
    wavefile::WaveData wave;
    const wavefile::WaveStatus status =
        wavefile::ReadWaveMemory(bytes.constData(), static_cast<std::size_t>(bytes.size()), &wave);
    if (!status.ok()) {
        qCDebug(lcAudio).noquote()
            << (resource ? "mmioOpen() -- Failed to open 'wave' resource " + name
                         : "mmioRead() -- Failed to read " + name)
            << QString::fromStdString(status.message());
        return 0;
    }
    if (wave.samples.empty()) {
        qCDebug(lcAudio) << "Data chunk actually has no data";
        return 0;
    }
    const auto pcm = wave.info.format.AsPlayablePcm();
    if (!pcm) {
        qCDebug(lcAudio).noquote() << "Unsupported wave format in " + name;
        return 0;
    }
    format_ = *pcm;
    format_block_ = wave.info.format.block;
    samples_ = std::move(wave.samples);
    data_size_bytes_ = samples_.size();
    has_data_ = true;
    return 1;
}

int XRWave::Play() {
    if (samples_.empty()) {
        return 0;
    }
    Stop();
    QString error;
    std::unique_ptr<sound::AudioOutputStream, StreamDeleter> output(
        backend_.OpenOutput(QByteArray(), format_, &error).release());
    if (!output) {
        qCDebug(lcAudio).noquote() << "waveOutOpen failed: " + error;
        return 0;
    }
    const auto align = static_cast<std::size_t>(format_.block_align_bytes());
    play_source_ = std::make_unique<MemoryPcmSource>(
        samples_, align, 0, static_cast<std::int64_t>(samples_.size() / align));
    connect(output.get(), &sound::AudioOutputStream::finished, this, &XRWave::OnOutputFinished);
    connect(output.get(), &sound::AudioOutputStream::failed, this, &XRWave::OnOutputFinished);
    if (!output->Start(play_source_.get(), &error)) {
        qCDebug(lcAudio).noquote() << "waveOutWrite failed: " + error;
        play_source_.reset();
        Stop();
        return 0;
    }
    output_ = std::move(output);
    emit outputOpened();
    return 1;
}

void XRWave::OnOutputFinished() {
    Stop();
    emit playbackFinished();
}

int XRWave::WriteRiff(const QString& path, const QString& raw_path) {
    if (!has_data_) {
        return 0;
    }
    std::vector<std::uint8_t> block = format_block_;
    if (block.empty()) {
        const auto made = wavefile::WaveFormatExBlock(format_);
        block.assign(made.begin(), made.end());
    }
    const wavefile::WaveStatus status =
        wavefile::WriteCanonicalWave(path.toStdString(), block, raw_path.toStdString());
    if (!status.ok()) {
        qCDebug(lcAudio).noquote() << "CreateFile() -- Can't open file: " + path
                                   << QString::fromStdString(status.message());
        return 0;
    }
    return 1;
}

}  // namespace kivo::audio
