// The plain rules behind a recorder's display: splitting the predefined
// index comments, and when the position texts and the status icon change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kivo/recorder/position_refresh.h"
#include "kivo/recorder/predefined_comments.h"

namespace kivo::recorder {
namespace {

using Strings = std::vector<std::string>;

TEST(PredefinedCommentsTest, WordsComeInOrderWithStoredSpacesRestored) {
    EXPECT_EQ(ParsePredefinedComments("Opening Budget\xAC"
                                      "figures Close"),
              (Strings{"Opening", "Budget figures", "Close"}));
    EXPECT_EQ(ParsePredefinedComments(""), Strings{});
    // Empty words between doubled, leading or trailing spaces are no comments.
    EXPECT_EQ(ParsePredefinedComments("  one   two "), (Strings{"one", "two"}));
    // A comment of stored spaces alone is a comment of spaces.
    EXPECT_EQ(ParsePredefinedComments("\xAC\xAC"), (Strings{"  "}));
}

TEST(PredefinedCommentsTest, TemplateCommentsPackedAndHandedOverComeBackAsTheyWere) {
    const Strings comments{"Opening", "Budget figures", "", "5\xE2\x82\xAC each"};
    const std::string packed = PackPredefinedComments(comments);
    EXPECT_EQ(packed,
              "Opening Budget\xAC"
              "figures 5\xE2\x82\xAC\xAC"
              "each");
    EXPECT_EQ(ParsePredefinedComments(packed),
              (Strings{"Opening", "Budget figures", "5\xE2\x82\xAC each"}));
    // Comments past what the recorder reads are left out whole.
    const Strings many(400, std::string(40, 'c'));
    const std::string long_packed = PackPredefinedComments(many);
    EXPECT_LE(long_packed.size(), kPredefinedCommentsMaxBytes);
    EXPECT_EQ(ParsePredefinedComments(long_packed).size(), (long_packed.size() + 1) / 41);
    EXPECT_EQ(ParsePredefinedComments(long_packed).back(), std::string(40, 'c'));
}

TEST(PredefinedCommentsTest, UnicodeAndWindowsTextSurviveAndLongCommentsAreCut) {
    // The euro sign ends in the byte 0xAC; it is no space.
    EXPECT_EQ(ParsePredefinedComments("5\xE2\x82\xAC\xAC"
                                      "each"),
              (Strings{"5\xE2\x82\xAC each"}));
    // Windows-1252 "café" reads as UTF-8.
    EXPECT_EQ(ParsePredefinedComments("caf\xE9"), (Strings{"caf\xC3\xA9"}));
    // A mark keeps 50 bytes: the comment offered is the one stored.
    const std::string long_word(70, 'x');
    EXPECT_EQ(ParsePredefinedComments(long_word + " short"),
              (Strings{std::string(50, 'x'), "short"}));
    // 49 bytes and a two-byte character do not fit in 50: the character
    // goes whole.
    EXPECT_EQ(ParsePredefinedComments(std::string(49, 'y') + "\xC3\xA9"),
              (Strings{std::string(49, 'y')}));
}

TEST(PredefinedCommentsTest, TextPastTheLimitIsNotRead) {
    std::string text;
    while (text.size() + 10 <= kPredefinedCommentsMaxBytes)
        text += "comment01 ";  // ten bytes a comment
    const std::size_t read_before = ParsePredefinedComments(text).size();
    EXPECT_EQ(read_before, kPredefinedCommentsMaxBytes / 10);
    text.resize(kPredefinedCommentsMaxBytes, 'z');  // a last word up to the limit
    text += "beyond more";
    const Strings comments = ParsePredefinedComments(text);
    ASSERT_EQ(comments.size(), read_before + 1);
    EXPECT_EQ(comments.back(), std::string(kPredefinedCommentsMaxBytes % 10, 'z'));
}

TEST(PositionRefreshTest, RecordingFlipsTheIconAndTextsOncePastNineHundredMs) {
    PositionRefresh refresh;
    EXPECT_EQ(refresh.icon(), StatusIcon::kIdle);
    EXPECT_FALSE(refresh.Poll(5000, false));  // idle: nothing to follow

    refresh.Follow(PositionRefresh::Transport::kRecording, 0);
    EXPECT_EQ(refresh.icon(), StatusIcon::kRecording1);
    EXPECT_FALSE(refresh.Poll(100, false));
    EXPECT_FALSE(refresh.Poll(900, false));
    EXPECT_TRUE(refresh.Poll(901, false));
    EXPECT_EQ(refresh.icon(), StatusIcon::kRecording2);
    // The next step counts from the last refresh.
    EXPECT_FALSE(refresh.Poll(1700, false));
    EXPECT_TRUE(refresh.Poll(1850, false));
    EXPECT_EQ(refresh.icon(), StatusIcon::kRecording1);

    // The same state again does not start over.
    refresh.Follow(PositionRefresh::Transport::kRecording, 1850);
    EXPECT_EQ(refresh.icon(), StatusIcon::kRecording1);
    refresh.Follow(PositionRefresh::Transport::kIdle, 1850);
    EXPECT_EQ(refresh.icon(), StatusIcon::kIdle);
    EXPECT_FALSE(refresh.Poll(9000, false));
}

TEST(PositionRefreshTest, DraggingHoldsTheTextsAndPlayingUsesItsOwnIcons) {
    PositionRefresh refresh;
    refresh.Follow(PositionRefresh::Transport::kPlaying, 4000);
    EXPECT_EQ(refresh.icon(), StatusIcon::kPlaying1);
    EXPECT_FALSE(refresh.Poll(6000, true));  // the user drags a slider
    EXPECT_EQ(refresh.icon(), StatusIcon::kPlaying1);
    EXPECT_TRUE(refresh.Poll(6000, false));  // released: the texts catch up
    EXPECT_EQ(refresh.icon(), StatusIcon::kPlaying2);
    // A play of an earlier range moved the position back.
    EXPECT_TRUE(refresh.Poll(1000, false));
    EXPECT_EQ(refresh.icon(), StatusIcon::kPlaying1);
    // Recording after playing starts with the first recording icon.
    refresh.Follow(PositionRefresh::Transport::kRecording, 1000);
    EXPECT_EQ(refresh.icon(), StatusIcon::kRecording1);
}

}  // namespace
}  // namespace kivo::recorder
