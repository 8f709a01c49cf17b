// OfflineMeeting: a meeting timed and costed without recording it ("Kivo
// Meeting Costs & Timer"): Start, Pause/resume and Stop measure the meeting
// on a monotonic clock in milliseconds, and a MeetingMeter gives its cost,
// the time left to the planned end and the over-run alarm, as in the
// meeting recorder. Both clocks are given by the caller, so tests decide
// how time passes.
#pragma once

#include <cstdint>
#include <functional>

#include "kivo/meeting/meeting_meter.h"

namespace kivo::meeting {

class OfflineMeeting {
public:
    using MonotonicClock = std::function<std::int64_t()>;  // milliseconds
    using TimeOfDay = std::function<int()>;                // seconds since midnight

    OfflineMeeting(MonotonicClock clock, TimeOfDay time_of_day)
        : clock_(std::move(clock)), time_of_day_(std::move(time_of_day)) {}

    void Start();  // also starts again after Stop, adding to the total
    void Pause();  // holds the meeting; again: goes on
    void Stop();
    bool running() const { return running_; }
    bool paused() const { return paused_; }

    // The total of the timed spans so far.
    std::int64_t elapsed_ms() const;

    MeetingMeter& meter() { return meter_; }
    const MeetingMeter& meter() const { return meter_; }
    // Reads the clocks into the meter; true when the alarm is to sound.
    bool Refresh();

private:
    MonotonicClock clock_;
    TimeOfDay time_of_day_;
    MeetingMeter meter_;
    bool running_ = false;
    bool paused_ = false;
    std::int64_t total_ms_ = 0;       // of the finished spans
    std::int64_t span_start_ms_ = 0;  // of the span running now
};

}  // namespace kivo::meeting
