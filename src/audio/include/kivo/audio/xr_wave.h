// XRWave: the sound-card recorder of the meeting and diary editors, and a
// small player.
//
// Recording captures PCM into a chain of raw files: each take (one Record ...
// Stop span) goes to the take file, AppendTake adds the finished take to the
// accumulated file, and SaveWaveFile wraps the accumulated audio into a RIFF
// wave ("fmt " of 18 bytes, "fact", "data"). Captured audio is handled in
// buffers of a fifth of a second (bytes per second / divisor); while the
// window is busy it waits in the device's queue, so nothing is lost.
// Everything runs on the user-interface thread, driven by the device's
// signals.
//
// The owner's calling order for one recording:
//   SetTakePath, SetAccumulatedPath, SetWavePath;
//   SetStopping(false); SetPaused(false); Record(5, rec_qual) -> 1 or 0;
//   on 1: SetRecordingActive(true); on 0: show last_error(), Reset().
//   Stop: SetStopping(true); Stop(); if recording_active() AppendTake();
//         SetRecordingActive(false).   (Record and stop may repeat.)
//   Save: SaveWaveFile(); Reset(); delete the take and accumulated files.
// While paused, buffers keep arriving but nothing is written and no levels
// are computed. While the stopping flag is set, buffer notifications are
// ignored; Stop itself writes every byte captured before it was called.
//
// The player: LoadFile or LoadResource (a Qt resource path such as
// ":/sounds/alarm.wav"), then Play; the end of playback stops and emits
// playbackFinished. WriteRiff puts the canonical header in front of a raw
// PCM file.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "kivo/sound/audio_backend.h"
#include "kivo/wavefile/pcm_format.h"

namespace kivo::audio {

class MemoryPcmSource;

class XRWave : public QObject {
    Q_OBJECT
public:
    static constexpr int kBufferCount = 50;
    // Results of SaveWaveFile.
    static constexpr int kSaveOk = 0;
    static constexpr int kSaveFailed = 99;

    explicit XRWave(sound::AudioBackend& backend, QObject* parent = nullptr);
    ~XRWave() override;

    void SetTakePath(const QString& path) { take_path_ = path; }
    void SetWavePath(const QString& path) { wave_path_ = path; }
    void SetAccumulatedPath(const QString& path) { accumulated_path_ = path; }
    const QString& take_path() const { return take_path_; }
    const QString& wave_path() const { return wave_path_; }
    const QString& accumulated_path() const { return accumulated_path_; }

    // The recorder state the editors share.
    void SetStopping(bool on) { stopping_ = on; }
    void SetPaused(bool on) { paused_ = on; }
    void SetRecordingActive(bool on) { recording_active_ = on; }
    bool stopping() const { return stopping_; }
    bool paused() const { return paused_; }
    bool recording_active() const { return recording_active_; }
    int left_level() const { return left_level_; }
    int right_level() const { return right_level_; }
    bool level_updated() const { return level_updated_; }
    void ClearLevelUpdated() { level_updated_ = false; }

    // Text of the last failure of Record (or of a file step), to show as is.
    const QString& last_error() const { return last_error_; }

    // Starts recording with buffers of bytes-per-second / divisor in the
    // format of `rec_qual` (see FormatForQuality). 1 on success; 0 with
    // last_error() set, and the recorder idle.
    int Record(int buffer_divisor, int rec_qual);
    // Ends playback or recording. Always 1.
    int Stop();
    // 0, 220 (take file cannot be opened) or 221 (accumulated file cannot be
    // opened or written).
    int AppendTake();
    // 0 on success or when there is nothing to save; 99 on failure.
    int SaveWaveFile();
    // Stops, frees buffers, format and samples. Returns 1.
    int Reset();

    // The player. LoadFile/LoadResource/Play/WriteRiff return 1 or 0.
    int LoadFile(const QString& path);
    int LoadResource(const QString& resource_path);
    int Play();
    int WriteRiff(const QString& path, const QString& raw_path = QStringLiteral("temprec.wav"));

    bool is_recording() const { return input_ != nullptr; }
    bool is_playing() const { return output_ != nullptr; }
    bool has_data() const { return has_data_; }
    // Bytes of audio: the loaded samples, or after Stop the bytes of the take.
    std::uint64_t data_size_bytes() const { return data_size_bytes_; }
    std::uint64_t take_bytes() const { return take_bytes_; }
    const wavefile::PcmFormat& format() const { return format_; }
    std::size_t buffer_bytes() const { return buffer_bytes_; }
    int current_buffer() const { return current_buffer_; }
    const std::vector<std::uint8_t>& samples() const { return samples_; }

signals:
    void inputOpened();
    void bufferRecorded();
    void inputClosed();
    void outputOpened();
    void outputClosed();
    void levelsUpdated(int left, int right);
    void playbackFinished();
    // The device failed or the take file could not be written while
    // recording; the text is also in last_error().
    void recordingFailed(const QString& error);

private:
    void OnDataArrived();
    void OnInputFailed(const QString& error);
    void OnOutputFinished();
    // Moves captured audio into buffers; completes each full one.
    void DrainInput(bool from_notification);
    void CompleteBuffer(const std::uint8_t* bytes, std::size_t size_bytes, bool from_notification);
    void WriteToTake(const std::uint8_t* bytes, std::size_t size_bytes);
    void StopRecording();
    void StopPlayback();
    int LoadFromBytes(const QByteArray& bytes, const QString& name, bool resource);

    sound::AudioBackend& backend_;
    QString take_path_;
    QString wave_path_;
    QString accumulated_path_;
    QString last_error_;

    bool stopping_ = false;
    bool paused_ = false;
    bool recording_active_ = false;
    int left_level_ = 0;
    int right_level_ = 0;
    bool level_updated_ = false;

    wavefile::PcmFormat format_;
    std::vector<std::uint8_t> format_block_;
    std::vector<std::uint8_t> samples_;
    std::uint64_t data_size_bytes_ = 0;
    std::uint64_t take_bytes_ = 0;
    bool has_data_ = false;
    bool stop_guard_ = false;

    std::size_t buffer_bytes_ = 0;
    int current_buffer_ = 0;
    std::vector<std::uint8_t> captured_;  // bytes of the buffer being filled
    class TakeFile;
    std::unique_ptr<TakeFile> take_file_;
    bool take_write_failed_ = false;

    struct StreamDeleter {
        void operator()(QObject* stream) const;
    };
    std::unique_ptr<sound::AudioInputStream, StreamDeleter> input_;
    std::unique_ptr<sound::AudioOutputStream, StreamDeleter> output_;
    std::unique_ptr<MemoryPcmSource> play_source_;
};

}  // namespace kivo::audio
