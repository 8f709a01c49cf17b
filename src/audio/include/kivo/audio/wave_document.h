// WaveDocument: an editable recording, the operations the record editors
// and the playback dialog perform on a wave (what the "waveaudio" device did).
//
// The document does not hold the audio in memory: it is a list of pieces of
// two files, the opened wave's data chunk (read through its descriptor,
// never past the checked chunk) and an unnamed scratch file beside the wave
// that receives what is recorded. Recording, inserting, overwriting and
// deleting edit that list; playing reads the pieces as the device asks for
// them; saving streams them into the new file. Memory stays small and edits
// cost the same at the end of a three-hour meeting as at its start.
//
// It opens a wave file (or starts empty), takes its format from a recording
// quality, records at the current position inserting or overwriting, plays
// from a position or a range, deletes a range, seeks, reports position and
// length in milliseconds, samples or bytes, and saves through "temp.xrw" in
// the target's folder, synced and renamed over the target when complete.
//
// Positions and lengths are in the current time format (milliseconds unless
// SetTimeFormat changed it). Operations return 0 or an error code; ErrorText
// turns a code into a sentence, and last_error_detail() says what failed.
// Playing and recording run on the user-interface thread from the audio
// device's signals; poll position() from a timer to follow them, and listen
// to playbackFinished() for the end of a play.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "kivo/sound/audio_backend.h"
#include "kivo/wavefile/pcm_format.h"

namespace kivo::audio {

class PieceStore;
class PiecePcmSource;

enum WaveDocumentError {
    kWaveOk = 0,
    kWaveErrorNotOpen = 1,
    kWaveErrorCannotOpenFile = 2,
    kWaveErrorUnsupportedFormat = 3,
    kWaveErrorFormatFixed = 4,
    kWaveErrorBadTimeFormat = 5,
    kWaveErrorOutOfRange = 6,
    kWaveErrorNoDevice = 7,
    kWaveErrorCannotSave = 8,
};

class WaveDocument : public QObject {
    Q_OBJECT
public:
    enum class RecordMode { kInsert, kOverwrite };
    // The time formats a wave supports, numbered as the MCI ones.
    enum class TimeFormat { kMilliseconds = 0, kBytes = 8, kSamples = 9 };

    explicit WaveDocument(sound::AudioBackend& backend, QObject* parent = nullptr);
    ~WaveDocument() override;

    // Opens a wave file; an empty path starts an empty recording in the
    // format of quality 0. The document remembers the path for Save.
    int Open(const QString& path);
    void Close();
    bool is_open() const { return open_; }
    const QString& path() const { return path_; }

    // The PCM format of a quality value (see FormatForQuality). Refused once
    // the recording holds audio.
    int SetFormatFromQuality(int rec_qual);
    const wavefile::PcmFormat& format() const { return format_; }

    int SetTimeFormat(TimeFormat format);
    // Sets the time format the way the length operation's selector does
    // (1 milliseconds, 3 samples, 2 and 4-9 formats a wave cannot use, any
    // other value bytes).
    int SetTimeFormatFromSelector(int selector);
    TimeFormat time_format() const { return time_format_; }

    std::int64_t length() const;
    std::int64_t position() const;
    std::int64_t length_frames() const;
    std::int64_t position_frames() const;
    std::int64_t length_ms() const;
    std::int64_t position_ms() const;

    int Seek(std::int64_t to);
    int SeekToStart();
    int SeekToEnd();

    // Records from the input device at the current position.
    int Record(RecordMode mode);
    int Play();  // from the current position to the end
    int PlayFrom(std::int64_t from);
    int PlayRange(std::int64_t from, std::int64_t to);
    // Plays from `from` and returns when the play has ended (runs a local
    // event loop meanwhile).
    int PlayFromAndWait(std::int64_t from);
    // Stops playing (the position stays where playback was) or recording
    // (the recorded audio becomes part of the document).
    int Stop();
    // Stops playing but remembers it; Resume plays on from there.
    int Pause();
    int Resume();
    int DeleteRange(std::int64_t from, std::int64_t to);

    // Writes the document to the folder of `target` (its own path when
    // empty) as "temp.xrw", then renames that over the target. The document
    // then belongs to the target path.
    int Save(const QString& target = QString());

    bool is_playing() const { return output_ != nullptr; }
    bool is_recording() const { return input_ != nullptr; }
    bool is_paused() const { return paused_; }

    // The recording source: empty for the backend's selected (or default) one.
    void SetInputDevice(const QByteArray& device_id) { input_device_ = device_id; }

    // A file to which every captured byte is appended as it arrives (raw PCM
    // in format(), takes one after another), so a crash while recording
    // leaves the audio on disk. The document never deletes it: the owner does
    // once the recording is saved. Empty (the default) keeps no journal.
    void SetCaptureJournal(const QString& path) { journal_path_ = path; }
    // Set when the journal could not be written; recording goes on.
    bool journal_failed() const { return journal_failed_; }

    static QString ErrorText(int code);
    const QString& last_error_detail() const { return last_error_detail_; }

    // A copy of the whole recording's PCM bytes (not what is being recorded
    // right now). O(n) in time and memory, for tests and short recordings;
    // empty when the files behind the document cannot be read.
    std::vector<std::uint8_t> samples() const;
    // Hands the whole recording's PCM bytes to `sink` in blocks of at most
    // block_bytes, in order, without holding more than one block. False when
    // the files behind the document cannot be read or `sink` returns false.
    bool ForEachSampleBlock(const std::function<bool(const std::uint8_t*, std::size_t)>& sink,
                            std::size_t block_bytes = std::size_t{1} << 20) const;

signals:
    // A play reached its end (or the end of its range).
    void playbackFinished();
    // While recording: the peak levels (0..99, the recorder's level rule)
    // of the audio that just arrived.
    void inputLevelsMeasured(int left, int right);
    // The device failed while playing or recording; what was recorded so far
    // is kept.
    void deviceFailed(const QString& error);

private:
    std::int64_t ToFrames(std::int64_t value) const;
    std::int64_t FromFrames(std::int64_t frames) const;
    int StartPlay(std::int64_t first_frame, std::int64_t end_frame);
    void StopPlayback();
    void StopRecording();
    void OnInputData();
    // Takes what the input device captured (left in capture_buffer_ for the
    // level meters) into the journal and the scratch file; false (recording
    // must end) when the scratch file refuses it.
    bool TakeCaptured(QString* error);
    void WriteJournal(const std::uint8_t* bytes, std::size_t size_bytes);
    void OnPlaybackFinished();
    int Fail(int code, const QString& detail);

    sound::AudioBackend& backend_;
    bool open_ = false;
    QString path_;
    wavefile::PcmFormat format_;
    TimeFormat time_format_ = TimeFormat::kMilliseconds;
    std::unique_ptr<PieceStore> store_;
    std::int64_t position_frame_ = 0;
    QString last_error_detail_;
    QByteArray input_device_;

    // Playing.
    bool paused_ = false;
    std::int64_t play_first_frame_ = 0;
    std::int64_t play_end_frame_ = 0;
    std::unique_ptr<PiecePcmSource> play_source_;

    // Recording: captured audio is appended to the scratch file from
    // record_scratch_offset_ and becomes a piece on Stop.
    RecordMode record_mode_ = RecordMode::kOverwrite;
    std::int64_t record_first_frame_ = 0;
    std::uint64_t record_scratch_offset_ = 0;
    std::uint64_t recorded_bytes_ = 0;
    std::vector<std::uint8_t> capture_buffer_;
    QString journal_path_;
    std::unique_ptr<QFile> journal_;
    bool journal_failed_ = false;

    struct StreamDeleter {
        void operator()(QObject* stream) const;
    };
    std::unique_ptr<sound::AudioInputStream, StreamDeleter> input_;
    std::unique_ptr<sound::AudioOutputStream, StreamDeleter> output_;
};

}  // namespace kivo::audio
