// The playback command codes, their trace lines and their command-line names.
#include "kivo/remote/playback_command.h"

#include <array>

namespace kivo::remote {
namespace {

struct CommandNames {
    PlaybackCommand command;
    std::string_view digit;
    std::string_view name;
    std::string_view trace_line;
};

constexpr std::array<CommandNames, 6> kCommands = {{
    {PlaybackCommand::Rewind, "1", "rewind", "Rewind msg\n"},
    {PlaybackCommand::RewindTwoSeconds, "2", "back", "Rewind 2sec msg\n"},
    {PlaybackCommand::PreviousMark, "3", "previous", "Previous msg\n"},
    {PlaybackCommand::Play, "4", "play", "Play msg\n"},
    {PlaybackCommand::Stop, "5", "stop", "Stop msg\n"},
    {PlaybackCommand::NextMark, "6", "next", "Next msg\n"},
}};

constexpr std::string_view kDefaultTraceLine = "Default msg\n";

}  // namespace

std::optional<PlaybackCommand> PlaybackCommandFromCode(int code) {
    if (code < kFirstPlaybackCommand || code > kLastPlaybackCommand) {
        return std::nullopt;
    }
    return static_cast<PlaybackCommand>(code);
}

std::string_view PlaybackCommandTraceLine(int code) {
    if (!PlaybackCommandFromCode(code)) {
        return kDefaultTraceLine;
    }
    return kCommands[static_cast<size_t>(code - kFirstPlaybackCommand)].trace_line;
}

std::optional<PlaybackCommand> ParsePlaybackCommand(std::string_view text) {
    for (const CommandNames& entry : kCommands) {
        if (text == entry.digit || text == entry.name) {
            return entry.command;
        }
    }
    return std::nullopt;
}

}  // namespace kivo::remote
