// PositionRefresh: when the recorder refreshes its "Position" and "Length"
// texts and its status icon while recording or playing. The position bar
// follows every poll; the texts and the icon change only once the position
// has moved more than kPositionTextStep_ms since they last changed, and not
// while the user drags a slider (the text then shows the slider). Each such
// refresh flips the status icon between its two pictures, so a running
// transport blinks about once a second.
#pragma once

#include <cstdint>

namespace kivo::recorder {

inline constexpr std::int64_t kPositionTextStep_ms = 900;

enum class StatusIcon { kIdle, kRecording1, kRecording2, kPlaying1, kPlaying2 };

class PositionRefresh {
public:
    enum class Transport { kIdle, kRecording, kPlaying };

    // The transport is now in this state at position_ms. A change of state
    // starts over with the state's first icon; the same state again changes
    // nothing.
    void Follow(Transport transport, std::int64_t position_ms);
    // A poll while running: true when the texts are to be refreshed now
    // (the icon has flipped). Never true while idle or while dragging.
    bool Poll(std::int64_t position_ms, bool user_dragging);

    Transport transport() const { return transport_; }
    StatusIcon icon() const { return icon_; }

private:
    Transport transport_ = Transport::kIdle;
    StatusIcon icon_ = StatusIcon::kIdle;
    std::int64_t shown_ms_ = 0;
};

}  // namespace kivo::recorder
