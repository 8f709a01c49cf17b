// PlayerSession: one recording file opened in the message player, and
// everything the player does with it. The window is a view over this class;
// the remote-control service and the tests drive it directly.
//
// Opening unpacks the file (UnpackedRecording: checked, unpacked into a
// private temporary folder that Close and the destructor remove, its marks,
// record line and picture read). A file that fails any step leaves the
// session closed with the error in status_text().
//
// Playing runs on the audio backend: plainly through a WaveDocument, or in
// effects mode through an EffectsPlayer with the effect settings and the
// reversed wave. A video recording plays through VideoPlayback, whose media
// loads after Open returns: until mediaReady() the length is the record
// line's duration and nothing plays; a video that cannot be decoded leaves
// the session open (marks shown) with kUnableToPlay in status_text() and
// the reason in video_error(). The transport, the marks and the remote
// commands are MarkedPlayback's, with the player's own rules: stopping
// returns to the start, rewinding forgets the current mark, a pause
// survives a move, and resuming plays on from where it paused. Positions
// are in milliseconds.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "kivo/audio/effect_settings.h"
#include "kivo/audio/effects_player.h"
#include "kivo/audio/marked_playback.h"
#include "kivo/audio/video_playback.h"
#include "kivo/audio/wave_document.h"
#include "kivo/recordstore/record_picture.h"
#include "kivo/remote/playback_remote_target.h"
#include "kivo/sound/audio_backend.h"
#include "mark_list.h"
#include "player_devices.h"
#include "unpacked_recording.h"

namespace kivo::player {

using audio::RealSoundOutputExists;
using audio::VideoPlayback;

class PlayerSession : public QObject, public remote::PlaybackRemoteTarget {
    Q_OBJECT
public:
    explicit PlayerSession(sound::AudioBackend& backend, QObject* parent = nullptr);
    ~PlayerSession() override;

    OpenResult Open(const QString& recording_path);
    // Stops playing and removes the temporary folder with everything in it.
    void Close();

    bool is_open() const { return open_; }
    bool can_play() const { return open_ && (!video_ || video_playback_.is_ready()); }
    // Sound effects work on the wave of an audio recording only.
    bool can_use_effects() const { return open_ && !video_; }
    bool is_video() const { return video_; }
    // Why the video cannot be played; empty while it loads or plays.
    const QString& video_error() const { return video_error_; }
    // Where the video's frames go (the window's video widget).
    void SetVideoOutput(QObject* output) { video_playback_.SetVideoOutput(output); }
    bool video_has_sound_output() const { return video_playback_.has_sound_output(); }
    const QString& recording_path() const { return recording_.recording_path(); }
    QString temp_folder() const { return recording_.folder(); }
    std::int64_t length_ms() const { return length_ms_; }
    std::int64_t position_ms() const;
    int position_percent() const;
    // Position and length, "hh:mm:ss / hh:mm:ss".
    QString PositionText() const;
    const QString& status_text() const { return status_text_; }
    // Why the last Open failed with kCorrupt, in one line ("The file is
    // empty."); empty otherwise.
    const QString& failure_reason() const { return failure_reason_; }
    // The record line's subject, start date and time ("dd/mm/yyyy",
    // "hh:mm:ss"); empty when the file has none.
    const QString& subject() const { return recording_.subject(); }
    const QString& recorded_date() const { return recording_.start_date(); }
    const QString& recorded_time() const { return recording_.start_time(); }
    const QString& kind_code() const { return recording_.kind_code(); }
    const std::vector<PlayerMark>& marks() const { return recording_.marks(); }
    int current_mark() const { return transport_.current_mark(); }
    const QString& picture_path() const { return recording_.picture_path(); }
    PictureType picture_type() const { return recording_.picture_type(); }
    const audio::StoredEffects& stored_effects() const { return recording_.stored_effects(); }

    bool is_playing() const { return transport_.is_playing(); }
    bool is_paused() const { return transport_.is_paused(); }
    // Plays from from_ms, or from the current position when from_ms < 0.
    void Start(std::int64_t from_ms = -1);
    void Pause();
    // Stops and returns to the start.
    void Stop();
    // Moves to ms (clamped to the recording); playback goes on if it was on.
    void MoveTo(std::int64_t ms);
    // Makes mark `index` current and plays from its time.
    void PlayMark(int index);
    void PreviousMark();
    void NextMark();
    void Rewind();
    void BackTwoSeconds();

    // Effects mode: false when the effects player cannot start on the wave
    // (the status line then says so and plain playback stays).
    bool EnterEffectsMode();
    void LeaveEffectsMode();
    bool effects_mode() const { return effects_mode_; }
    const audio::EffectSet& effects() const { return effects_; }
    // Sets one effect; returns the value applied (clamped to its range).
    int SetEffect(int index, bool on, int value);
    // Plays the reversed wave in effects mode; false when it cannot be made.
    bool SetReverse(bool reverse);
    bool reverse() const { return reverse_; }

    // PlaybackRemoteTarget.
    void playPause() override;
    void play() override;
    void pause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void seek(qint64 offset_us) override;
    void setPosition(qint64 position_us) override;
    qint64 position_us() const override { return position_ms() * 1000; }
    remote::PlaybackStatus playbackStatus() const override;
    remote::PlaybackMetadata metadata() const override;
    remote::PlaybackCapabilities capabilities() const override;
    void command(int code) override;

signals:
    void opened();
    void closed();
    // A video's media has loaded: it can play, and length_ms() is its own.
    void mediaReady();
    // Playing, paused or stopped changed.
    void stateChanged();
    // While playing, about ten times a second, and after every move.
    void positionChanged(qint64 position_ms);
    // The position jumped (move, mark, rewind).
    void positionJumped(qint64 position_ms);
    void currentMarkChanged(int index);
    void statusChanged(const QString& text);

private:
    OpenResult Fail(OpenResult result, const char* text);
    bool MakeReversedWave();
    bool InitEffectsPlayer();
    // Plays the plain wave again after effects mode ended or failed.
    void BackToPlainWave();
    void OnVideoReady(qint64 length_ms);
    void OnVideoFailed(const QString& reason);
    void SetStatus(const QString& text);
    QString ActiveWavePath() const;

    audio::WaveDocument document_;
    audio::EffectsPlayer effects_player_;
    VideoPlayback video_playback_;
    audio::EffectSet effects_ = audio::NeutralEffects();
    WaveDevice wave_device_{document_};
    EffectsDevice effects_device_{effects_player_, effects_};
    VideoDevice video_device_{video_playback_};
    audio::MarkedPlayback transport_;
    QTimer position_timer_;
    UnpackedRecording recording_;

    bool open_ = false;
    bool video_ = false;
    QString video_error_;
    std::int64_t length_ms_ = 0;
    QString status_text_;
    QString failure_reason_;
    // Play came while a video's media was loading: it starts once loaded.
    bool play_when_ready_ = false;

    bool effects_mode_ = false;
    bool reverse_ = false;
    bool reversed_made_ = false;
};

}  // namespace kivo::player
