// The editable recording (see wave_document.h).
#include "kivo/audio/wave_document.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#include "audio_log.h"
#include "kivo/wavefile/peak_level.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "memory_pcm_source.h"

namespace kivo::audio {

namespace {

constexpr char kTemporarySaveName[] = "temp.xrw";

}  // namespace

void WaveDocument::StreamDeleter::operator()(QObject* stream) const {
    stream->disconnect();
    stream->deleteLater();
}

WaveDocument::WaveDocument(AudioBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {}

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
        samples_.clear();
    } else {
        wavefile::WaveData wave;
        const wavefile::WaveStatus status = wavefile::ReadWaveFile(path.toStdString(), &wave);
        if (!status.ok()) {
            return Fail(kWaveErrorCannotOpenFile, QString::fromStdString(status.message()));
        }
        const auto pcm = wave.info.format.AsPlayablePcm();
        if (!pcm) {
            return Fail(kWaveErrorUnsupportedFormat, path);
        }
        format_ = *pcm;
        samples_ = std::move(wave.samples);
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
    samples_.clear();
    samples_.shrink_to_fit();
    path_.clear();
    position_frame_ = 0;
}

int WaveDocument::SetFormatFromQuality(int rec_qual) {
    if (!open_) {
        return Fail(kWaveErrorNotOpen, QString());
    }
    const wavefile::PcmFormat format = wavefile::FormatForQuality(rec_qual);
    if (!samples_.empty() && !(format == format_)) {
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
    const auto stored = static_cast<std::int64_t>(samples_.size()) / align;
    if (!input_) {
        return stored;
    }
    const auto recorded = static_cast<std::int64_t>(recorded_.size()) / align;
    if (record_mode_ == RecordMode::kInsert) {
        return stored + recorded;
    }
    return std::max(stored, record_first_frame_ + recorded);
}

std::int64_t WaveDocument::position_frames() const {
    if (input_) {
        const auto align = static_cast<std::int64_t>(std::max(1, format_.block_align_bytes()));
        return record_first_frame_ + static_cast<std::int64_t>(recorded_.size()) / align;
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
    std::unique_ptr<AudioInputStream, StreamDeleter> input(
        backend_.OpenInput(input_device_, format_, &error).release());
    if (!input) {
        return Fail(kWaveErrorNoDevice, error);
    }
    connect(input.get(), &AudioInputStream::dataArrived, this, &WaveDocument::OnInputData);
    connect(input.get(), &AudioInputStream::failed, this, [this](const QString& why) {
        StopRecording();
        emit deviceFailed(why);
    });
    record_mode_ = mode;
    record_first_frame_ = position_frame_;
    recorded_.clear();
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
    const std::size_t before = recorded_.size();
    input_->ReadAvailable(&recorded_);
    const std::uint8_t* arrived = recorded_.data() + before;
    const std::size_t arrived_bytes = recorded_.size() - before;
    WriteJournal(arrived, arrived_bytes);
    if (arrived_bytes > 0) {
        const wavefile::PeakLevels peaks =
            wavefile::ComputePeakLevels(arrived, arrived_bytes, format_);
        emit inputLevelsMeasured(peaks.left, peaks.right);
    }
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
    const std::size_t before = recorded_.size();
    input_->ReadAvailable(&recorded_);
    WriteJournal(recorded_.data() + before, recorded_.size() - before);
    journal_.reset();
    input_.reset();
    const auto align = static_cast<std::size_t>(format_.block_align_bytes());
    recorded_.resize(recorded_.size() - recorded_.size() % align);
    const auto at = static_cast<std::size_t>(record_first_frame_) * align;
    if (record_mode_ == RecordMode::kInsert) {
        samples_.insert(samples_.begin() + static_cast<std::ptrdiff_t>(at), recorded_.begin(),
                        recorded_.end());
    } else {
        if (samples_.size() < at + recorded_.size()) {
            samples_.resize(at + recorded_.size());
        }
        std::copy(recorded_.begin(), recorded_.end(),
                  samples_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    position_frame_ = record_first_frame_ + static_cast<std::int64_t>(recorded_.size() / align);
    recorded_.clear();
    recorded_.shrink_to_fit();
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
    std::unique_ptr<AudioOutputStream, StreamDeleter> output(
        backend_.OpenOutput(QByteArray(), format_, &error).release());
    if (!output) {
        return Fail(kWaveErrorNoDevice, error);
    }
    play_source_ = std::make_unique<MemoryPcmSource>(
        samples_, static_cast<std::size_t>(format_.block_align_bytes()), first_frame, end_frame);
    connect(output.get(), &AudioOutputStream::finished, this, &WaveDocument::OnPlaybackFinished);
    connect(output.get(), &AudioOutputStream::failed, this, [this](const QString& why) {
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
    const auto align = static_cast<std::ptrdiff_t>(format_.block_align_bytes());
    samples_.erase(samples_.begin() + first * align, samples_.begin() + end * align);
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
    const QString temporary = QFileInfo(final_path).dir().filePath(kTemporarySaveName);
    const wavefile::WaveStatus status =
        wavefile::WritePcmWave(temporary.toStdString(), format_, samples_);
    if (!status.ok()) {
        return Fail(kWaveErrorCannotSave, QString::fromStdString(status.message()));
    }
    // rename() replaces the old file in one step, so either the old or the
    // new recording is there at every moment.
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(final_path).constData()) != 0) {
        QFile::remove(temporary);
        return Fail(kWaveErrorCannotSave,
                    QStringLiteral("cannot rename %1 to %2").arg(temporary, final_path));
    }
    path_ = final_path;
    return kWaveOk;
}

}  // namespace kivo::audio
