// MarkedPlayback: the transport of one recording with index marks, shared by
// the playback dialog of kivo and the message player kvmp.
//
// It keeps the state (stopped, playing, paused) over a PlaybackDevice and
// offers what both players do: start (after a pause stepping back by the
// resume rewind, from the end starting again at the start), pause, stop,
// move, rewind to the start, two seconds back, and stepping through the
// marks (previous and next mark, clamped to the list, from none both going
// to the first; going to a mark or playing from it). The six remote commands
// and the remote-control verbs map onto these actions here, so media keys,
// hot keys, pedals and other programs move both players the same way.
//
// The marks stay with their owner: MarkedPlayback reads their number and
// times through MarkTimes and keeps only the current row. Where the two
// players differ on purpose, MarkedPlaybackRules says how. Without a device
// (nothing loaded, a video still loading, an insertion recording) every
// action is refused. Positions are in milliseconds of the recording.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "kivo/audio/playback_device.h"
#include "kivo/remote/playback_remote_target.h"

namespace kivo::audio {

inline constexpr std::int64_t kTwoSecondRewindMs = 2000;
inline constexpr std::int64_t kMaximumResumeRewindMs = 5000;

// How the players differ (each sets all four).
struct MarkedPlaybackRules {
    // Stopping, and playing to the end, return to the start (otherwise the
    // position stays where playback stopped).
    bool stop_returns_to_start = false;
    // Rewinding to the start forgets the current mark.
    bool rewind_forgets_current_mark = false;
    // Moving while paused ends the pause, so that starting again plays from
    // the new place without the resume rewind.
    bool move_ends_pause = true;
    // The remote "previous mark" and "next mark" start playing even when
    // there are no marks.
    bool mark_commands_play_without_marks = true;
};

// The marks, in list order: how many there are and the time of each row.
struct MarkTimes {
    std::function<int()> count;
    std::function<std::int64_t(int row)> time_ms;
};

class MarkedPlayback : public QObject {
    Q_OBJECT
public:
    enum class State { kStopped, kPlaying, kPaused };

    MarkedPlayback(MarkedPlaybackRules rules, MarkTimes marks, QObject* parent = nullptr);

    // What plays from now on; nullptr while nothing can. The previous
    // device is halted and the state becomes stopped.
    void SetDevice(PlaybackDevice* device);
    bool can_play() const { return device_ != nullptr; }

    State state() const { return state_; }
    bool is_playing() const { return state_ == State::kPlaying; }
    bool is_paused() const { return state_ == State::kPaused; }
    std::int64_t position_ms() const;
    std::int64_t length_ms() const;

    // How far starting after a pause steps back, 0..kMaximumResumeRewindMs.
    void SetResumeRewindMs(std::int64_t rewind_ms);
    std::int64_t resume_rewind_ms() const { return resume_rewind_ms_; }

    // Plays from the current position; nothing while playing.
    void Start();
    // Plays from `position_ms` (clamped to the recording), playing or not.
    void PlayFrom(std::int64_t position_ms);
    void Pause();
    void Stop();
    void PlayPause();
    // Moves to `position_ms` (clamped); playback goes on from there if on.
    void MoveTo(std::int64_t position_ms);
    // Stops and goes to the start.
    void Rewind();
    // Goes back kTwoSecondRewindMs (not below 0) and plays.
    void BackTwoSeconds();

    // What the device reports: it played to the end, or it failed and has
    // stopped.
    void DeviceFinished();
    void DeviceFailed();

    // The current mark: -1 for none.
    int current_mark() const { return current_mark_; }
    // A new list: no current mark, nothing reported.
    void ResetCurrentMark() { current_mark_ = -1; }
    // No current mark any more (reported when there was one).
    void ForgetCurrentMark();
    // A row was inserted into or removed from the list: the current mark
    // stays on the same mark (removing it makes the one before current).
    void MarkInserted(int row);
    void MarkRemoved(int row);
    // Makes `row` current and moves to its time; playback goes on if on.
    void GoToMark(int row);
    void NextMark();
    void PreviousMark();
    // Makes `row` current and plays from its time.
    void PlayMark(int row);
    void PlayNextMark();
    void PlayPreviousMark();

    // One of the six remote commands (remote::PlaybackCommand); false, and
    // nothing done, for any other code.
    bool RunCommand(int code);
    remote::PlaybackStatus status() const;

signals:
    void stateChanged();
    // After every move made here (also the return to the start on stop).
    void positionChanged(qint64 position_ms);
    // A move that was asked for: a seek, a mark, a rewind, the two seconds
    // back, the resume rewind.
    void positionJumped(qint64 position_ms);
    // A mark was made current (also the same one again); -1 for none.
    void currentMarkChanged(int row);
    // The device could not start playing; the state is stopped.
    void startFailed();

private:
    void Play(std::int64_t position_ms);
    void ReportMove(std::int64_t position_ms);
    void MakeCurrent(int row);
    void PlayMarkAfterStep(int step);
    // The row `step` rows from the current mark; only with marks.
    int RowAfterStep(int step) const;
    bool IsMark(int row) const;
    void SetState(State state);

    MarkedPlaybackRules rules_;
    MarkTimes marks_;
    PlaybackDevice* device_ = nullptr;
    State state_ = State::kStopped;
    std::int64_t resume_rewind_ms_ = 0;
    int current_mark_ = -1;
};

}  // namespace kivo::audio
