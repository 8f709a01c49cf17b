// The six playback commands: their trace lines and their command-line names.
#include <gtest/gtest.h>

#include "kivo/remote/playback_command.h"

namespace kivo::remote {
namespace {

TEST(PlaybackCommand, EachCodeWritesItsTraceLine) {
    EXPECT_EQ(PlaybackCommandTraceLine(1), "Rewind msg\n");
    EXPECT_EQ(PlaybackCommandTraceLine(2), "Rewind 2sec msg\n");
    EXPECT_EQ(PlaybackCommandTraceLine(3), "Previous msg\n");
    EXPECT_EQ(PlaybackCommandTraceLine(4), "Play msg\n");
    EXPECT_EQ(PlaybackCommandTraceLine(5), "Stop msg\n");
    EXPECT_EQ(PlaybackCommandTraceLine(6), "Next msg\n");
}

TEST(PlaybackCommand, OtherCodesAreTheDefaultAndNoCommand) {
    for (int code : {0, 7, -1, 1039}) {
        EXPECT_EQ(PlaybackCommandTraceLine(code), "Default msg\n") << code;
        EXPECT_FALSE(PlaybackCommandFromCode(code).has_value()) << code;
    }
    EXPECT_EQ(PlaybackCommandFromCode(6), PlaybackCommand::NextMark);
}

TEST(PlaybackCommand, CommandLineTakesNumbersAndNames) {
    EXPECT_EQ(ParsePlaybackCommand("2"), PlaybackCommand::RewindTwoSeconds);
    EXPECT_EQ(ParsePlaybackCommand("back"), PlaybackCommand::RewindTwoSeconds);
    EXPECT_EQ(ParsePlaybackCommand("previous"), PlaybackCommand::PreviousMark);
    EXPECT_EQ(ParsePlaybackCommand("6"), PlaybackCommand::NextMark);
    for (const char* bad : {"", "0", "7", "02", "2 ", "pla"}) {
        EXPECT_FALSE(ParsePlaybackCommand(bad).has_value()) << '"' << bad << '"';
    }
}

}  // namespace
}  // namespace kivo::remote
