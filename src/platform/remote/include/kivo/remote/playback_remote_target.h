// The playback window as other programs, media keys, hot keys and foot pedals
// see it. The playback dialog of kivo and the message player kvmp implement
// this interface; RemoteControlService exports it on the session bus (MPRIS2
// and the Kivo command interface) and PedalRemoteBinding drives it from a foot
// pedal. Nothing here knows how playback works.
//
// Every call arrives on the thread that owns the service (the UI thread).
#pragma once

#include <QString>
#include <QtGlobal>

namespace kivo::remote {

enum class PlaybackStatus { Stopped, Playing, Paused };

// What is loaded in the player. An empty record number means nothing is loaded.
struct PlaybackMetadata {
    QString record_number;  // becomes the track id; digits, letters and '_' kept
    QString title;          // the record's subject
    qint64 length_us = 0;   // length of the recording in microseconds
};

// What the player can do right now; MPRIS clients grey out buttons from it.
struct PlaybackCapabilities {
    bool can_play = true;
    bool can_pause = true;
    bool can_seek = true;
    bool can_go_next = true;
    bool can_go_previous = true;
};

class PlaybackRemoteTarget {
public:
    virtual ~PlaybackRemoteTarget() = default;

    virtual void playPause() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    // Next and previous index mark; they play from the mark like the dialog's
    // Next Track and Prev Track buttons.
    virtual void next() = 0;
    virtual void previous() = 0;
    // Moves by offset_us (negative: back), clamped to the recording.
    virtual void seek(qint64 offset_us) = 0;
    // Moves to position_us; the caller has already checked 0 <= it <= length.
    virtual void setPosition(qint64 position_us) = 0;

    virtual qint64 position_us() const = 0;
    virtual PlaybackStatus playbackStatus() const = 0;
    virtual PlaybackMetadata metadata() const = 0;
    virtual PlaybackCapabilities capabilities() const { return {}; }

    // One of the six remote playback commands (1 rewind, 2 back two seconds,
    // 3 previous mark, 4 play, 5 stop, 6 next mark) sent by another program.
    // Any other code does nothing. The target writes the trace line of the
    // command (PlaybackCommandTraceLine) where its program asks for one; hot
    // keys run the same actions without trace lines.
    virtual void command(int code) = 0;
};

}  // namespace kivo::remote
