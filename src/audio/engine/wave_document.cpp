// The editable recording (see wave_document.h).
#include "kivo/audio/wave_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "audio_log.h"
#include "kivo/wavefile/fd_io.h"
#include "kivo/wavefile/peak_level.h"
#include "kivo/wavefile/wave_reader.h"
#include "piece_store.h"
#include "wave_saver.h"

namespace kivo::audio {

namespace {

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Reads a wave file through its descriptor for the header parser.
class FdByteSource : public wavefile::ByteSource {
public:
    FdByteSource(int fd, std::uint64_t size_bytes) : fd_(fd), size_bytes_(size_bytes) {}
    std::uint64_t SizeBytes() const override { return size_bytes_; }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        return wavefile::ReadAllAt(fd_, offset, static_cast<std::uint8_t*>(destination), count);
    }

private:
    int fd_;
    std::uint64_t size_bytes_;
};

}  // namespace

void WaveDocument::StreamDeleter::operator()(QObject* stream) const {
    stream->disconnect();
    stream->deleteLater();
}

WaveDocument::WaveDocument(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend), store_(std::make_unique<PieceStore>()) {}

WaveDocument::~WaveDocument() {
    Close();
}

int WaveDocument::Fail(int code, const QString& detail) {
    last_error_detail_ = detail;
    qCDebug(lcAudio).noquote() << ErrorText(code) + (detail.isEmpty() ? "" : " " + detail);
    return code;
}

QString WaveDocument::ErrorText(int code) {
    switch (code) {
        case kWaveOk:
            return QStringLiteral("The operation succeeded.");
        case kWaveErrorNotOpen:
            return QStringLiteral("No recording is open.");
        case kWaveErrorCannotOpenFile:
            return QStringLiteral("The recording file cannot be opened.");
        case kWaveErrorUnsupportedFormat:
            return QStringLiteral(
                "The recording is not in a format that can be played (8- or 16-bit PCM, one or "
                "two channels).");
        case kWaveErrorFormatFixed:
            return QStringLiteral("The format cannot be changed once the recording holds audio.");
        case kWaveErrorBadTimeFormat:
            return QStringLiteral("A wave recording cannot use this time format.");
        case kWaveErrorOutOfRange:
            return QStringLiteral("The position is outside the recording.");
        case kWaveErrorNoDevice:
            return QStringLiteral("The sound device cannot be opened.");
        case kWaveErrorCannotSave:
            return QStringLiteral("The recording cannot be saved.");
        default:
            return QStringLiteral("Unknown MCI error");
    }
}

int WaveDocument::Open(const QString& path) {
    Close();
    last_error_detail_.clear();
    if (path.isEmpty()) {
        format_ = wavefile::FormatForQuality(0);
        store_->Reset();
    } else {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return Fail(kWaveErrorCannotOpenFile,
                        QStringLiteral("cannot open \"%1\": %2").arg(path, ErrnoText()));
        }
        struct stat file_status {};
        if (::fstat(fd, &file_status) != 0 || !S_ISREG(file_status.st_mode)) {
            ::close(fd);
            return Fail(kWaveErrorCannotOpenFile,
                        QStringLiteral("cannot open \"%1\": not a regular file").arg(path));
        }
        // Only the header is read now; the data chunk is read as it is
        // played or saved, and only inside the bounds checked here.
        FdByteSource source(fd, static_cast<std::uint64_t>(file_status.st_size));
        wavefile::WaveInfo info;
        const wavefile::WaveStatus status = wavefile::ParseWaveInfo(source, &info);
        if (!status.ok()) {
            ::close(fd);
            return Fail(kWaveErrorCannotOpenFile, QString::fromStdString(status.message()));
        }
        const auto pcm = info.format.AsPlayablePcm();
        if (!pcm) {
            ::close(fd);
            return Fail(kWaveErrorUnsupportedFormat, path);
        }
        format_ = *pcm;
        store_->AttachWave(fd, info.data_offset, info.frames() * info.format.block_align_bytes);
    }
    path_ = path;
    open_ = true;
    position_frame_ = 0;
    time_format_ = TimeFormat::kMilliseconds;
    return kWaveOk;
}

void WaveDocument::Close() {
    if (!open_) {
        return;
    }
    Stop();
    open_ = false;
    paused_ = false;
    store_->Reset();
    path_.clear();
    position_frame_ = 0;
}

int WaveDocument::SetFormatFromQuality(int rec_qual) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    const wavefile::PcmFormat format = wavefile::FormatForQuality(rec_qual);
    if (!store_->table().empty() && !(format == format_)) {
        return Fail(kWaveErrorFormatFixed, QString());
    }
    format_ = format;
    return kWaveOk;
}

int WaveDocument::SetTimeFormat(TimeFormat format) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    time_format_ = format;
    return kWaveOk;
}

int WaveDocument::SetTimeFormatFromSelector(int selector) {
    switch (selector) {
        case 1:
            return SetTimeFormat(TimeFormat::kMilliseconds);
        case 3:
            return SetTimeFormat(TimeFormat::kSamples);
        case 2:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
            // Minutes-seconds-frames, SMPTE, tracks and song pointers mean
            // nothing for a wave.
            return Fail(kWaveErrorBadTimeFormat, QStringLiteral("selector %1").arg(selector));
        default:
            return SetTimeFormat(TimeFormat::kBytes);
    }
}

std::int64_t WaveDocument::ToFrames(std::int64_t value) const {
    switch (time_format_) {
        case TimeFormat::kSamples:
            return value;
        case TimeFormat::kBytes:
            return value / std::max(1, format_.block_align_bytes());
        case TimeFormat::kMilliseconds:
            break;
    }
    return wavefile::MsToFrames(value, format_);
}

std::int64_t WaveDocument::FromFrames(std::int64_t frames) const {
    switch (time_format_) {
        case TimeFormat::kSamples:
            return frames;
        case TimeFormat::kBytes:
            return frames * format_.block_align_bytes();
        case TimeFormat::kMilliseconds:
            break;
    }
    return wavefile::FramesToMs(frames, format_);
}

std::int64_t WaveDocument::length_frames() const {
    const auto align = static_cast<std::int64_t>(std::max(1, format_.block_align_bytes()));
    const auto stored = static_cast<std::int64_t>(store_->table().size()) / align;
    if (!input_) {
        return stored;
    }
    const auto recorded = static_cast<std::int64_t>(recorded_bytes_) / align;
    if (record_mode_ == RecordMode::kInsert) {
        return stored + recorded;
    }
    return std::max(stored, record_first_frame_ + recorded);
}

std::int64_t WaveDocument::position_frames() const {
    if (input_) {
        const auto align = static_cast<std::int64_t>(std::max(1, format_.block_align_bytes()));
        return record_first_frame_ + static_cast<std::int64_t>(recorded_bytes_) / align;
    }
    if (output_) {
        return std::min(play_end_frame_, play_first_frame_ + output_->PlayedFrames());
    }
    return position_frame_;
}

std::int64_t WaveDocument::length() const {
    return FromFrames(length_frames());
}
std::int64_t WaveDocument::position() const {
    return FromFrames(position_frames());
}
std::int64_t WaveDocument::length_ms() const {
    return wavefile::FramesToMs(length_frames(), format_);
}
std::int64_t WaveDocument::position_ms() const {
    return wavefile::FramesToMs(position_frames(), format_);
}

int WaveDocument::Seek(std::int64_t to) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    Stop();
    paused_ = false;
    const std::int64_t frame = ToFrames(to);
    if (frame < 0 || frame > length_frames()) {
        return Fail(kWaveErrorOutOfRange, QStringLiteral("seek to %1").arg(to));
    }
    position_frame_ = frame;
    return kWaveOk;
}

int WaveDocument::SeekToStart() {
    return Seek(0);
}

int WaveDocument::SeekToEnd() {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    Stop();
    paused_ = false;
    position_frame_ = length_frames();
    return kWaveOk;
}

int WaveDocument::Record(RecordMode mode) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    Stop();
    paused_ = false;
    QString error;
    // Recorded audio goes to the scratch file beside the wave (the working
    // folder for a new recording) as it arrives.
    if (!store_->EnsureScratch(path_.isEmpty() ? QString() : QFileInfo(path_).absolutePath(),
                               &error)) {
        return Fail(kWaveErrorCannotOpenFile, error);
    }
    std::unique_ptr<sound::AudioInputStream, StreamDeleter> input(
        backend_.OpenInput(input_device_, format_, &error).release());
    if (!input) {
        return Fail(kWaveErrorNoDevice, error);
    }
    connect(input.get(), &sound::AudioInputStream::dataArrived, this, &WaveDocument::OnInputData);
    connect(input.get(), &sound::AudioInputStream::failed, this, [this](const QString& why) {
        StopRecording();
        emit deviceFailed(why);
    });
    record_mode_ = mode;
    record_first_frame_ = position_frame_;
    record_scratch_offset_ = store_->scratch_size();
    recorded_bytes_ = 0;
    journal_failed_ = false;
    if (!journal_path_.isEmpty()) {
        journal_ = std::make_unique<QFile>(journal_path_);
        if (!journal_->open(QIODevice::WriteOnly | QIODevice::Append)) {
            journal_.reset();
            journal_failed_ = true;
        }
    }
    if (!input->Start(&error)) {
        journal_.reset();
        return Fail(kWaveErrorNoDevice, error);
    }
    input_ = std::move(input);
    return kWaveOk;
}

void WaveDocument::OnInputData() {
    if (!input_) {
        return;
    }
    QString error;
    if (!TakeCaptured(&error)) {
        // What reached the scratch file so far stays in the recording.
        StopRecording();
        emit deviceFailed(error);
        return;
    }
    if (!capture_buffer_.empty()) {
        const wavefile::PeakLevels peaks =
            wavefile::ComputePeakLevels(capture_buffer_.data(), capture_buffer_.size(), format_);
        emit inputLevelsMeasured(peaks.left, peaks.right);
    }
}

bool WaveDocument::TakeCaptured(QString* error) {
    capture_buffer_.clear();
    input_->ReadAvailable(&capture_buffer_);
    if (capture_buffer_.empty()) {
        return true;
    }
    WriteJournal(capture_buffer_.data(), capture_buffer_.size());
    const bool stored =
        store_->AppendScratch(capture_buffer_.data(), capture_buffer_.size(), error);
    recorded_bytes_ = store_->scratch_size() - record_scratch_offset_;
    return stored;
}

void WaveDocument::WriteJournal(const std::uint8_t* bytes, std::size_t size_bytes) {
    if (!journal_ || size_bytes == 0) {
        return;
    }
    if (journal_->write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(size_bytes)) !=
            static_cast<qint64>(size_bytes) ||
        !journal_->flush()) {
        journal_failed_ = true;
        journal_.reset();
    }
}

void WaveDocument::StopRecording() {
    if (!input_) {
        return;
    }
    input_->Stop();
    QString error;
    if (!TakeCaptured(&error)) {
        qCWarning(lcAudio).noquote() << "The end of the recording is lost:" << error;
    }
    journal_.reset();
    input_.reset();
    // A trailing partial frame is dropped; the piece covers whole frames.
    const auto align = static_cast<std::uint64_t>(format_.block_align_bytes());
    const std::uint64_t whole = recorded_bytes_ - recorded_bytes_ % align;
    const Piece piece{PieceSource::kScratch, record_scratch_offset_, whole};
    const auto at = static_cast<std::uint64_t>(record_first_frame_) * align;
    if (record_mode_ == RecordMode::kInsert) {
        store_->table().Insert(at, piece);
    } else {
        store_->table().Overwrite(at, piece);
    }
    position_frame_ = record_first_frame_ + static_cast<std::int64_t>(whole / align);
    recorded_bytes_ = 0;
    capture_buffer_.clear();
    capture_buffer_.shrink_to_fit();
}

int WaveDocument::Play() {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    return StartPlay(position_frames(), length_frames());
}

int WaveDocument::PlayFrom(std::int64_t from) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    return StartPlay(ToFrames(from), length_frames());
}

int WaveDocument::PlayRange(std::int64_t from, std::int64_t to) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    return StartPlay(ToFrames(from), ToFrames(to));
}

int WaveDocument::StartPlay(std::int64_t first_frame, std::int64_t end_frame) {
    Stop();
    paused_ = false;
    const std::int64_t length = length_frames();
    if (first_frame < 0 || first_frame > length || end_frame < first_frame) {
        return Fail(kWaveErrorOutOfRange, QStringLiteral("play frames %1 to %2 of %3")
                                              .arg(first_frame)
                                              .arg(end_frame)
                                              .arg(length));
    }
    end_frame = std::min(end_frame, length);
    QString error;
    std::unique_ptr<sound::AudioOutputStream, StreamDeleter> output(
        backend_.OpenOutput(QByteArray(), format_, &error).release());
    if (!output) {
        return Fail(kWaveErrorNoDevice, error);
    }
    play_source_ = std::make_unique<PiecePcmSource>(
        *store_, static_cast<std::size_t>(format_.block_align_bytes()),
        static_cast<std::uint8_t>(format_.bits_per_sample == 8 ? 0x80 : 0), first_frame, end_frame);
    connect(output.get(), &sound::AudioOutputStream::finished, this,
            &WaveDocument::OnPlaybackFinished);
    connect(output.get(), &sound::AudioOutputStream::failed, this, [this](const QString& why) {
        StopPlayback();
        emit deviceFailed(why);
    });
    if (!output->Start(play_source_.get(), &error)) {
        play_source_.reset();
        return Fail(kWaveErrorNoDevice, error);
    }
    play_first_frame_ = first_frame;
    play_end_frame_ = end_frame;
    position_frame_ = first_frame;
    output_ = std::move(output);
    return kWaveOk;
}

void WaveDocument::OnPlaybackFinished() {
    if (!output_) {
        return;
    }
    output_->Stop();
    output_.reset();
    play_source_.reset();
    position_frame_ = play_end_frame_;
    emit playbackFinished();
}

void WaveDocument::StopPlayback() {
    if (!output_) {
        return;
    }
    position_frame_ = position_frames();
    output_->Stop();
    output_.reset();
    play_source_.reset();
}

int WaveDocument::PlayFromAndWait(std::int64_t from) {
    const int result = PlayFrom(from);
    if (result != kWaveOk) {
        return result;
    }
    QEventLoop loop;
    connect(this, &WaveDocument::playbackFinished, &loop, &QEventLoop::quit);
    connect(this, &WaveDocument::deviceFailed, &loop, &QEventLoop::quit);
    if (output_) {
        loop.exec();
    }
    return kWaveOk;
}

int WaveDocument::Stop() {
    StopPlayback();
    StopRecording();
    paused_ = false;
    return kWaveOk;
}

int WaveDocument::Pause() {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    const bool was_playing = is_playing();
    Stop();
    paused_ = was_playing;
    return kWaveOk;
}

int WaveDocument::Resume() {
    if (!paused_) {
        return kWaveOk;
    }
    return StartPlay(position_frame_, length_frames());
}

int WaveDocument::DeleteRange(std::int64_t from, std::int64_t to) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    Stop();
    const std::int64_t length = length_frames();
    const std::int64_t first = ToFrames(from);
    const std::int64_t end = std::min(ToFrames(to), length);
    if (first < 0 || first > length || end < first) {
        return Fail(kWaveErrorOutOfRange, QStringLiteral("delete %1 to %2").arg(from).arg(to));
    }
    const auto align = static_cast<std::uint64_t>(format_.block_align_bytes());
    store_->table().Erase(static_cast<std::uint64_t>(first) * align,
                          static_cast<std::uint64_t>(end) * align);
    position_frame_ = first;
    return kWaveOk;
}

int WaveDocument::Save(const QString& target) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    Stop();
    const QString final_path = target.isEmpty() ? path_ : target;
    if (final_path.isEmpty()) {
        return Fail(kWaveErrorCannotSave, QStringLiteral("the recording has no file name"));
    }
    WaveSaver saver(*store_, format_, path_.isEmpty() ? QStringLiteral("its scratch file") : path_);
    if (!saver.Save(final_path)) {
        return Fail(kWaveErrorCannotSave, saver.detail());
    }
    // The saved file holds the whole recording in one piece: read from it
    // from now on and give the scratch file's space back.
    store_->AttachWave(saver.saved_fd(), WaveSaver::HeaderBytes(), store_->table().size());
    store_->TruncateScratch();
    path_ = final_path;
    return kWaveOk;
}

std::vector<std::uint8_t> WaveDocument::samples() const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(store_->table().size()));
    if (!bytes.empty() && !store_->Read(0, bytes.data(), bytes.size())) {
        bytes.clear();
    }
    return bytes;
}

bool WaveDocument::ForEachSampleBlock(
    const std::function<bool(const std::uint8_t*, std::size_t)>& sink,
    std::size_t block_bytes) const {
    const std::uint64_t total = store_->table().size();
    std::vector<std::uint8_t> block(static_cast<std::size_t>(
        std::min<std::uint64_t>(total, std::max<std::size_t>(block_bytes, 1))));
    for (std::uint64_t at = 0; at < total;) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), total - at));
        if (!store_->Read(at, block.data(), count) || !sink(block.data(), count))
            return false;
        at += count;
    }
    return true;
}

}  // namespace kivo::audio
