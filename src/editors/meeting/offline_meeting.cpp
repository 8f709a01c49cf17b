// A meeting timed without recording (see offline_meeting.h).
#include "kivo/meeting/offline_meeting.h"

namespace kivo::meeting {

void OfflineMeeting::Start() {
    if (running_)
        return;
    running_ = true;
    paused_ = false;
    span_start_ms_ = clock_();
}

void OfflineMeeting::Pause() {
    if (!running_)
        return;
    if (paused_) {
        paused_ = false;
        span_start_ms_ = clock_();
    } else {
        total_ms_ += clock_() - span_start_ms_;
        paused_ = true;
    }
}

void OfflineMeeting::Stop() {
    if (!running_)
        return;
    if (!paused_)
        total_ms_ += clock_() - span_start_ms_;
    running_ = false;
    paused_ = false;
}

std::int64_t OfflineMeeting::elapsed_ms() const {
    return running_ && !paused_ ? total_ms_ + clock_() - span_start_ms_ : total_ms_;
}

bool OfflineMeeting::Refresh() {
    return meter_.Read(elapsed_ms(), time_of_day_());
}

}  // namespace kivo::meeting
