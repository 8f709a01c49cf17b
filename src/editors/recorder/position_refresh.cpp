// When the recorder's position texts and status icon change.
#include "kivo/recorder/position_refresh.h"

namespace kivo::recorder {

void PositionRefresh::Follow(Transport transport, std::int64_t position_ms) {
    if (transport == transport_)
        return;
    transport_ = transport;
    shown_ms_ = position_ms;
    switch (transport) {
        case Transport::kIdle:
            icon_ = StatusIcon::kIdle;
            break;
        case Transport::kRecording:
            icon_ = StatusIcon::kRecording1;
            break;
        case Transport::kPlaying:
            icon_ = StatusIcon::kPlaying1;
            break;
    }
}

bool PositionRefresh::Poll(std::int64_t position_ms, bool user_dragging) {
    if (transport_ == Transport::kIdle || user_dragging)
        return false;
    // A seek back (a play of an earlier range) counts as a move too.
    const std::int64_t moved =
        position_ms >= shown_ms_ ? position_ms - shown_ms_ : shown_ms_ - position_ms;
    if (moved <= kPositionTextStep_ms)
        return false;
    shown_ms_ = position_ms;
    switch (icon_) {
        case StatusIcon::kRecording1:
            icon_ = StatusIcon::kRecording2;
            break;
        case StatusIcon::kRecording2:
            icon_ = StatusIcon::kRecording1;
            break;
        case StatusIcon::kPlaying1:
            icon_ = StatusIcon::kPlaying2;
            break;
        case StatusIcon::kPlaying2:
            icon_ = StatusIcon::kPlaying1;
            break;
        case StatusIcon::kIdle:
            break;
    }
    return true;
}

}  // namespace kivo::recorder
