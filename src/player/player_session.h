// PlayerSession: one recording file opened in the message player, and
// everything the player does with it. The window is a view over this class;
// the remote-control service and the tests drive it directly.
//
// Opening checks the file (container_check.h), unpacks it into a private
// temporary folder (mode 0700, removed by Close and by the destructor),
// checks the wave, and reads the marks, the record line (kind status text
// and stored sound effects) and the picture. A file that fails any step
// leaves the session closed with the error in status_text().
//
// Playing runs on the audio backend: plainly through a WaveDocument, or in
// effects mode through an EffectsPlayer with the effect settings and the
// reversed wave. A video recording plays through VideoPlayback, whose media
// loads after Open returns: until mediaReady() the length is the record
// line's duration and nothing plays; a video that cannot be decoded leaves
// the session open (marks shown) with kUnableToPlay in status_text() and
// the reason in video_error(). Positions are in milliseconds.
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kivo/audio/effect_settings.h"
#include "kivo/audio/effects_player.h"
#include "kivo/audio/wave_document.h"
#include "kivo/recordstore/record_picture.h"
#include "kivo/remote/playback_remote_target.h"
#include "kivo/sound/audio_backend.h"
#include "mark_list.h"
#include "video_playback.h"

namespace kivo::player {

enum class OpenResult {
    kOpened,      // ready to play (a video once its media has loaded)
    kCorrupt,     // unreadable, hostile or damaged file (kCorruptOrInUse)
    kUnplayable,  // unpacked, but the wave cannot be played (kUnableToPlay)
};

using recordstore::PictureType;

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
    const QString& recording_path() const { return recording_path_; }
    QString temp_folder() const;
    std::int64_t length_ms() const { return length_ms_; }
    std::int64_t position_ms() const;
    int position_percent() const;
    // Position and length, "hh:mm:ss / hh:mm:ss".
    QString PositionText() const;
    const QString& status_text() const { return status_text_; }
    const QString& kind_code() const { return kind_code_; }
    const std::vector<PlayerMark>& marks() const { return marks_; }
    int current_mark() const { return current_mark_; }
    const QString& picture_path() const { return picture_path_; }
    PictureType picture_type() const { return picture_type_; }
    const audio::StoredEffects& stored_effects() const { return stored_effects_; }

    bool is_playing() const { return playing_; }
    bool is_paused() const { return paused_; }
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
    void ReadRecordLine(const std::string& path);
    void FindPicture(const std::string& stem);
    bool MakeReversedWave();
    bool InitEffectsPlayer();
    void OnPlaybackFinished();
    void OnVideoReady(qint64 length_ms);
    void OnVideoFailed(const QString& reason);
    void SetPlaying(bool playing, bool paused);
    void SetStatus(const QString& text);
    void SetCurrentMark(int index);
    QString ActiveWavePath() const;

    sound::AudioBackend& backend_;
    audio::WaveDocument document_;
    audio::EffectsPlayer effects_player_;
    VideoPlayback video_playback_;
    QTimer position_timer_;
    std::unique_ptr<QTemporaryDir> temp_dir_;

    bool open_ = false;
    bool video_ = false;
    QString recording_path_;
    QString wave_path_;
    QString reversed_wave_path_;
    QString video_error_;
    std::int64_t length_ms_ = 0;
    QString status_text_;
    QString kind_code_;
    QString record_number_;
    QString subject_;
    QString duration_text_;
    std::vector<PlayerMark> marks_;
    int current_mark_ = -1;
    QString picture_path_;
    PictureType picture_type_ = PictureType::kNone;
    audio::StoredEffects stored_effects_;
    audio::EffectSet effects_ = audio::NeutralEffects();

    bool playing_ = false;
    bool paused_ = false;
    bool effects_mode_ = false;
    bool reverse_ = false;
    bool reversed_made_ = false;
};

}  // namespace kivo::player
