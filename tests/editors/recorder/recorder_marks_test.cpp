// Index marks of a recording: shifting on insert and cut, comment limits.
#include "kivo/recorder/recorder_marks.h"

#include <gtest/gtest.h>

namespace kivo::recorder {
namespace {

std::vector<std::int64_t> Times(const RecorderMarks& marks) {
    std::vector<std::int64_t> times;
    for (const RecorderMark& mark : marks.marks())
        times.push_back(mark.time_ms);
    return times;
}

TEST(RecorderMarks, InsertOfFourSecondsAtTenMovesLaterMarksOnly) {
    RecorderMarks marks;
    marks.Add(12000, "later");
    marks.Add(9000, "earlier");
    marks.Add(10000, "at the insert");
    marks.ShiftForInsert(10000, 14000);
    EXPECT_EQ(Times(marks), (std::vector<std::int64_t>{9000, 14000, 16000}));
    EXPECT_EQ(marks.marks()[2].comment, "later");
}

TEST(RecorderMarks, CutOfTenToFourteenDeletesInsideAndMovesLater) {
    RecorderMarks marks;
    marks.Add(20000, "twenty");
    marks.Add(12000, "twelve");
    marks.Add(14000, "at the cut end");
    marks.Add(9000, "nine");
    marks.Add(10000, "at the cut start");
    marks.ShiftForCut(10000, 14000);
    EXPECT_EQ(Times(marks), (std::vector<std::int64_t>{9000, 10000, 16000}));
    EXPECT_EQ(marks.marks()[1].comment, "at the cut end");
    EXPECT_EQ(marks.marks()[2].comment, "twenty");
}

TEST(RecorderMarks, CommentIsCutToFiftyBytesAtACharacterBoundary) {
    RecorderMarks marks;
    // 49 ASCII bytes then a two-byte character: the character does not fit.
    const std::string comment = std::string(49, 'a') + "\xC3\xA9" + "tail";
    marks.Add(0, comment);
    EXPECT_EQ(marks.marks()[0].comment, std::string(49, 'a'));
    marks.Add(1000, "two words");
    const auto entries = marks.ToIndexMarks();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].time_stamp, "00:00:01");
    EXPECT_EQ(entries[1].comment, "two words");
}

TEST(RecorderMarks, EditedCommentThatIsEmptyIsStoredAsOneSpace) {
    RecorderMarks marks;
    marks.Add(0, "first");
    EXPECT_TRUE(marks.EditComment(0, ""));
    EXPECT_EQ(marks.marks()[0].comment, " ");
    EXPECT_FALSE(marks.EditComment(1, "no such row"));
}

}  // namespace
}  // namespace kivo::recorder
