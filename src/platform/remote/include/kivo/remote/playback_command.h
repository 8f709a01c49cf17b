// The six playback commands another program can send to the playback window,
// with the trace line the playback dialog writes for each. Hot key N (in the
// order "HotKey01" to "HotKey06") runs command N.
#pragma once

#include <optional>
#include <string_view>

namespace kivo::remote {

enum class PlaybackCommand {
    Rewind = 1,            // stop and go back to the start
    RewindTwoSeconds = 2,  // back 2000 ms (not below 0), playing
    PreviousMark = 3,      // jump to the previous index mark and play
    Play = 4,              // play unless playing
    Stop = 5,              // stop if playing
    NextMark = 6,          // jump to the next index mark and play
};

inline constexpr int kFirstPlaybackCommand = 1;
inline constexpr int kLastPlaybackCommand = 6;

// The command for a code, or nothing for a code outside 1..6.
std::optional<PlaybackCommand> PlaybackCommandFromCode(int code);

// "Rewind msg\n" ... "Next msg\n"; "Default msg\n" for any other code.
std::string_view PlaybackCommandTraceLine(int code);

// The command for a name given on a command line ("rewind", "back", "previous",
// "play", "stop", "next") or its number ("1" to "6"); nothing otherwise.
std::optional<PlaybackCommand> ParsePlaybackCommand(std::string_view text);

}  // namespace kivo::remote
