// PlaybackSession: everything the playback dialog does, without a widget.
//
// A session plays the selected recordings one after another. For each it
// extracts the recording container from the open data store into the working
// folder, loads the wave and its index marks, and offers the transport
// (start, pause, stop, rewind to the start, fast forward to the end, back two
// seconds, previous and next mark, seek), the playback speed (50 % to 200 %,
// changed while playing without changing the pitch), the sound effects and
// new marks at the current position. Save writes the marks back into the
// recording container in the data store and refreshes the record index,
// through PlaybackSaver, into the store the session was opened on only.
//
// Record inserts new audio at the current position (only while the effects
// are off): a WaveDocument on the record's wave records in insert mode from
// the input device, bracketed by the marks "insert start" and "insert end";
// marks at or after the insertion point move by the inserted span. Save then
// also replaces the wave and the record line (with its new duration) in the
// container, the record line in its record log and the index entry. Closing
// with inserted audio that is not saved asks first (message 1); a recording
// that cannot start reports message 202 and asks the window to close.
//
// "Reverse" (part of the effects) plays the wave backwards: the player then
// holds a reversed copy, and positions are turned back into positions of the
// recording, so marks, the slider and the remote control keep their meaning.
//
// Playing always goes through EffectsPlayer: with the effects switched off it
// plays the wave unchanged, so speed is available in both modes.
//
// Resuming after a pause first steps back a configurable 0-5 s (2 s by
// default), as transcribing users ask.
//
// The transport, the marks navigation and the remote commands are
// MarkedPlayback's (shared with kvmp), with the dialog's rules: stopping
// keeps the position, a move while paused ends the pause, and "previous"
// and "next" from the remote start playing even without marks.
//
// The session is the remote-control target of the playback window
// (PlaybackRemoteTarget): media keys, playerctl, kivo-remote and the hot keys
// all end up in the same transport calls. Remote commands write their trace
// line to the "kivo.playback" logging category.
#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/audio/effect_settings.h"
#include "kivo/audio/effects_player.h"
#include "kivo/audio/marked_playback.h"
#include "kivo/audio/wave_document.h"
#include "kivo/core/user_messages.h"
#include "kivo/playback/playback_saver.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/remote/playback_remote_target.h"

namespace kivo::playback {

Q_DECLARE_LOGGING_CATEGORY(lcPlayback)

// One recording to play: its record number and its container "D<stamp>.xrz".
struct PlaybackItem {
    std::int32_t record_number = 0;
    std::string container_name;
};

inline constexpr std::int64_t kTwoSecondRewindMs = audio::kTwoSecondRewindMs;
inline constexpr std::int64_t kDefaultResumeRewindMs = 2000;
inline constexpr std::int64_t kMaximumResumeRewindMs = audio::kMaximumResumeRewindMs;
inline constexpr char kInsertStartComment[] = "insert start";
inline constexpr char kInsertEndComment[] = "insert end";
// Message codes: recording could not start; unsaved recording on close.
inline constexpr int kMessageCannotRecord = 202;
inline constexpr int kMessageUnsavedRecording = 1;
// The most of a translation's text the player reads and shows.
inline constexpr std::size_t kShownTextLimitBytes = 256 * 1024;

// Results of Save.
inline constexpr int kSaveOk = 0;
inline constexpr int kSaveIndexFailed = 1;
inline constexpr int kSaveContainerFailed = 108;

class PlaybackSession : public QObject, public remote::PlaybackRemoteTarget {
    Q_OBJECT
public:
    enum class State { kStopped, kPlaying, kPaused, kInserting };

    // store: the open data store the recordings are played from; the
    // session loads and saves only while it is still the open one.
    PlaybackSession(sound::AudioBackend& backend, core::DataStoreSession& store,
                    QObject* parent = nullptr);
    ~PlaybackSession() override;

    // Where messages go (202, and the question on closing with unsaved
    // audio). Without one they are printed and questions answered Yes, so
    // recorded audio is saved rather than dropped.
    void SetMessageReporter(core::MessageReporter* reporter);

    // The recordings to play in turn; the first one is loaded at once.
    // False with error() set when it cannot be loaded.
    bool Begin(std::vector<PlaybackItem> queue);
    // Loads the next queued recording (saving nothing); false at the end.
    bool LoadNext();
    bool has_recording() const { return player_.is_initialised(); }
    const PlaybackItem& item() const { return item_; }
    const QString& subject() const { return subject_; }
    // When the recording was made, from its record line ("dd/mm/yyyy",
    // "hh:mm:ss"); empty when the line has none.
    const QString& recorded_date() const { return recorded_date_; }
    const QString& recorded_time() const { return recorded_time_; }
    // A translation's texts, shown beside the player: the original and the
    // translated text from the container's ".xr1" and ".xr2" members (UTF-8,
    // or Windows-1252 from older stores), each cut to kShownTextLimitBytes.
    // Empty for other recordings.
    const QString& original_text() const { return original_text_; }
    const QString& translated_text() const { return translated_text_; }
    const QString& error() const { return error_; }
    std::size_t queued_count() const { return queue_.size(); }

    // Transport.
    void Start();
    void Pause();
    void StopPlaying();
    void RewindToStart();
    void FastForward();
    void RewindTwoSeconds();
    void SeekMs(std::int64_t position_ms);
    void NextMark();
    void PreviousMark();

    State state() const;
    bool is_playing() const { return transport_.is_playing(); }
    // In the recording's time (while inserting: in the recording as it grows).
    std::int64_t position_ms() const;
    std::int64_t length_ms() const;

    // Speed in percent (50..200); returns the value applied.
    int SetSpeedPercent(int percent);
    int speed_percent() const { return effects_[audio::kEffectSpeed].value; }

    // The sound effects: while switched off the wave plays unchanged (at the
    // chosen speed). Changing an effect while playing restarts playback at
    // the same position with the new set.
    void SetEffectsEnabled(bool enabled);
    bool effects_enabled() const { return effects_enabled_; }
    void SetEffect(int index, bool on, int value);
    const audio::EffectSet& effect_settings() const { return effects_; }

    // How far resuming after a pause steps back, 0..5000 ms.
    void SetResumeRewindMs(std::int64_t rewind_ms);

    // Plays backwards while the effects are on. False with error() set when
    // the reversed wave cannot be made (the direction stays as it was).
    bool SetReverse(bool reverse);
    bool reverse() const { return reverse_; }
    bool playing_reversed() const { return player_reversed_; }
    static bool ReverseAvailable();

    // Inserting: starts recording at the current position in insert mode and
    // adds "insert start". Refused (false, nothing reported) with the effects
    // on, while inserting or without a recording. When the device cannot
    // record, message 202 is reported, closeRequested() emitted and false
    // returned. StopPlaying ends the insertion and adds "insert end".
    bool StartInsert();
    bool is_inserting() const { return inserting_; }
    // Inserted audio that Save has not written to the data store yet.
    bool has_unsaved_audio() const { return audio_changed_; }
    // Before the window closes without saving: with unsaved audio, asks
    // message 1; Yes saves. False when that save failed (stay open).
    bool ConfirmDiscard();
    // Before the program closes the window (File > Open or New, closing the
    // main window, another Play): with changed marks or inserted audio not
    // yet saved, asks message 1; Yes saves them (*saved set), No drops
    // them. False when that save failed (stay open).
    bool AskToSaveChanges(bool* saved);

    // The clock texts taken when playback last started (ClockTime,
    // ClockDate, LogDate); empty before the first start.
    const QString& play_clock_time() const { return play_clock_time_; }
    const QString& play_clock_date() const { return play_clock_date_; }
    const QString& play_log_date() const { return play_log_date_; }
    std::int64_t resume_rewind_ms() const { return transport_.resume_rewind_ms(); }

    // Index marks, in list order; current_mark is -1 before the first jump.
    const std::vector<recordstore::IndexMark>& marks() const { return marks_; }
    int current_mark() const { return transport_.current_mark(); }
    // Adds a user mark at the current position and returns its row.
    int AddMark(const std::string& comment);
    void RemoveMark(int row);
    bool marks_changed() const { return marks_changed_; }

    // Writes the marks (and inserted audio) into the recording container in
    // the data store and the joined comments into the record index; after
    // an insertion also the new duration into the record line and its log
    // (PlaybackSaver). kSaveOk, else kSaveContainerFailed (also when the
    // open store is another one now: nothing is written) or
    // kSaveIndexFailed, with error() set.
    int Save();

    // PlaybackRemoteTarget
    void playPause() override;
    void play() override;
    void pause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void seek(qint64 offset_us) override;
    void setPosition(qint64 position_us) override;
    qint64 position_us() const override;
    remote::PlaybackStatus playbackStatus() const override;
    remote::PlaybackMetadata metadata() const override;
    void command(int code) override;
    // The same actions without the trace line (hot keys).
    void RunCommand(int code);

signals:
    void positionChanged(qint64 position_ms);
    void stateChanged();
    void marksChanged();
    void currentMarkChanged(int row);
    void recordingLoaded();
    // The position jumped (seek, mark, rewind), in microseconds for MPRIS.
    void positionJumped(qint64 position_us);
    // The last queued recording finished playing (also when inserted audio
    // that is not saved keeps the next queued one from loading).
    void queueFinished();
    // Recording could not start (202 was reported): the window closes.
    void closeRequested();

private:
    bool Load(const PlaybackItem& item);
    void LoadTranslationTexts(const recordstore::RecordingContainer& container);
    void Unload();
    // Lets the transport play the loaded recording again (after an insertion).
    void AttachPlayer();
    // Recording position <-> player position (they differ while reversed).
    std::int64_t ToPlayer(std::int64_t position_ms) const;
    bool InitPlayer(bool reversed);
    bool UpdatePlayerDirection();
    void FailInsert();
    void StopInsert();
    int InsertMark(std::int64_t at_ms, const char* comment, recordstore::IndexMarkType type,
                   bool before_equal);
    // The inserted audio into the working wave; its new duration text.
    std::optional<std::string> WriteInsertedAudio();
    std::string ReversedName() const;
    audio::EffectSet PlayedEffects() const;
    void OnPlaybackFinished();
    std::string WorkPath(const std::string& name) const;
    // The working file of the loaded recording's member with this extension.
    std::string MemberPath(std::string_view extension) const;
    std::string BaseName() const;

    // The transport's device: player_, in the recording's time.
    class PlayerDevice;

    audio::EffectsPlayer player_;
    std::unique_ptr<PlayerDevice> player_device_;
    audio::MarkedPlayback transport_;
    audio::WaveDocument document_;
    core::DataStoreSession& store_;
    PlaybackSaver saver_;
    core::StderrMessageReporter fallback_reporter_{core::kAnswerYes};
    core::MessageReporter* reporter_ = &fallback_reporter_;
    std::deque<PlaybackItem> queue_;
    PlaybackItem item_;
    QString subject_;
    QString error_;
    bool inserting_ = false;
    audio::EffectSet effects_ = audio::NeutralEffects();
    bool effects_enabled_ = false;
    std::vector<recordstore::IndexMark> marks_;
    bool marks_changed_ = false;
    bool reverse_ = false;
    bool player_reversed_ = false;
    bool audio_changed_ = false;
    std::int64_t insert_start_ms_ = 0;
    int insert_mark_row_ = -1;
    QTimer insert_timer_;
    QString recorded_date_;
    QString recorded_time_;
    QString original_text_;
    QString translated_text_;
    QString play_clock_time_;
    QString play_clock_date_;
    QString play_log_date_;
};

// A mark's time stamp holds two digits of hours.
inline constexpr std::int64_t kMarkTimeStampMaxHours = 99;
// "hh:mm:ss" of a position (whole seconds, rounded down; the hours stop at
// kMarkTimeStampMaxHours).
std::string MarkTimeStamp(std::int64_t position_ms);
// Milliseconds of a mark's "h:mm:ss" time stamp; 0 when malformed.
std::int64_t MarkPositionMs(const recordstore::IndexMark& mark);

}  // namespace kivo::playback
