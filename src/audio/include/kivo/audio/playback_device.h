// PlaybackDevice: what a MarkedPlayback drives to play one recording.
//
// A device plays from a position, stops and is moved; positions are in
// milliseconds of the recording. Implementations sit over an EffectsPlayer,
// a WaveDocument or a video, and decide what their owner needs on top (a
// reversed copy, a start past the end playing from the start, the time a
// play began).
#pragma once

#include <cstdint>

namespace kivo::audio {

class PlaybackDevice {
public:
    virtual ~PlaybackDevice() = default;

    virtual std::int64_t length_ms() const = 0;
    virtual std::int64_t position_ms() const = 0;

    // Plays from `position_ms` (0..length_ms()), restarting there when
    // already playing. False when playback cannot start; the device tells
    // its owner why.
    virtual bool PlayFrom(std::int64_t position_ms) = 0;
    // Stops playing; the position stays where playback was.
    virtual void Halt() = 0;
    // Moves the position while not playing.
    virtual void Place(std::int64_t position_ms) = 0;
    // Stops playing and returns to the start.
    virtual void StopAtStart() {
        Halt();
        Place(0);
    }
    // True while a reversed copy plays: the position then runs from the
    // end of the recording towards its start.
    virtual bool plays_backwards() const { return false; }
};

}  // namespace kivo::audio
