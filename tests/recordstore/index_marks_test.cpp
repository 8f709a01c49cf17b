// Index-mark files: entries byte for byte, round trips, limits and torn
// tails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/text_encoding.h"
#include "temp_dir.h"

namespace rs = kivo::recordstore;
using kivo::test::TempDir;

namespace {

std::string Padded61(std::string text) {
    text.resize(61, ' ');
    return text;
}

std::vector<rs::IndexMark> ReadMarks(const std::string& path, rs::IndexMarkRead* read = nullptr) {
    rs::IndexMarkRead local;
    rs::IndexMarkRead& result = read != nullptr ? *read : local;
    const rs::Status status = rs::ReadIndexMarkFile(path, &result);
    EXPECT_TRUE(status.ok()) << status.message();
    return result.marks;
}

}  // namespace

TEST(IndexMarkEntry, WithTypeByteForByte) {
    const rs::IndexMark mark = rs::MakeIndexMark("00:01:10", "call the bank");
    EXPECT_EQ(rs::EncodeIndexMarkEntry(mark, rs::IndexMarkStyle::kWithType),
              Padded61("00:01:10 call\xACthe\xAC"
                       "bank 0"));
}

TEST(IndexMarkEntry, MeetingStyleLeavesTheTypeOutAndReadsAsUserMark) {
    const rs::IndexMark mark =
        rs::MakeIndexMark("00:00:05", "item two", rs::IndexMarkType::kInsertStart);
    const std::string entry = rs::EncodeIndexMarkEntry(mark, rs::IndexMarkStyle::kWithoutType);
    EXPECT_EQ(entry, Padded61("00:00:05 item\xACtwo"));
    const rs::IndexMark read = rs::DecodeIndexMarkEntry(entry);
    EXPECT_EQ(read.comment, "item two");
    EXPECT_EQ(read.type, rs::IndexMarkType::kUser);
}

TEST(IndexMarkEntry, FiftyByteCommentFillsTheEntryExactly) {
    const std::string comment(50, 'c');
    const std::string entry = rs::EncodeIndexMarkEntry(
        rs::MakeIndexMark("00:00:01", comment, rs::IndexMarkType::kInsertEnd),
        rs::IndexMarkStyle::kWithType);
    EXPECT_EQ(entry, "00:00:01 " + comment + " 2");
}

TEST(IndexMarkEntry, InsertEndWrittenWithTypeOneReadsAsTypeTwo) {
    EXPECT_EQ(rs::DecodeIndexMarkEntry(Padded61("00:00:09 insert\xAC"
                                                "end 1"))
                  .type,
              rs::IndexMarkType::kInsertEnd);
    EXPECT_EQ(rs::DecodeIndexMarkEntry(Padded61("00:00:09 insert\xAC"
                                                "start 1"))
                  .type,
              rs::IndexMarkType::kInsertStart);
    EXPECT_EQ(rs::DecodeIndexMarkEntry(Padded61("00:00:09 x 7")).type, rs::IndexMarkType::kUser);
}

// Entries the program never writes (control bytes, comments past 50 bytes)
// read as the marks the program would make, and come back the same after
// writing and reading again.
TEST(IndexMarkEntry, ForeignEntryReadsAsAMarkThatSurvivesRewriting) {
    const rs::IndexMark control =
        rs::DecodeIndexMarkEntry(Padded61("00:00:09 insert\x1D"
                                          "end\tx 1"));
    EXPECT_EQ(control.comment, "insertend x");
    EXPECT_EQ(control.type, rs::IndexMarkType::kInsertStart);

    const rs::IndexMark long_comment =
        rs::DecodeIndexMarkEntry("0:1 " + std::string(55, 'z') + " 2");
    EXPECT_EQ(long_comment.comment, std::string(50, 'z'));
    EXPECT_EQ(long_comment.type, rs::IndexMarkType::kInsertEnd);

    for (const rs::IndexMark& mark : {control, long_comment}) {
        const rs::IndexMark again =
            rs::DecodeIndexMarkEntry(rs::EncodeIndexMarkEntry(mark, rs::IndexMarkStyle::kWithType));
        EXPECT_EQ(again.time_stamp, mark.time_stamp);
        EXPECT_EQ(again.comment, mark.comment);
        EXPECT_EQ(again.type, mark.type);
    }
}

TEST(IndexMarkComment, LongCommentIsCutTo50BytesAtACharacterBoundary) {
    EXPECT_EQ(rs::MakeIndexMark("00:00:01", std::string(70, 'x')).comment, std::string(50, 'x'));
    std::string greek;
    for (int i = 0; i < 30; ++i) {
        greek += "ά";  // CE AC
    }
    const rs::IndexMark mark = rs::MakeIndexMark("00:00:01", "x" + greek);
    EXPECT_EQ(mark.comment.size(), 49u);
    EXPECT_TRUE(rs::IsValidUtf8(mark.comment));
}

TEST(IndexMarkComment, LongTimeStampStillGivesA61ByteEntry) {
    const rs::IndexMark mark = rs::MakeIndexMark("100:00:00", std::string(50, 'y'));
    const std::string entry = rs::EncodeIndexMarkEntry(mark, rs::IndexMarkStyle::kWithType);
    ASSERT_EQ(entry.size(), 61u);
    EXPECT_EQ(rs::DecodeIndexMarkEntry(entry).time_stamp, "100:00:00");
    EXPECT_EQ(rs::DecodeIndexMarkEntry(entry).comment, std::string(49, 'y'));
}

TEST(IndexMarkFile, MarksRoundTripWithSpacesAndEveryScript) {
    TempDir dir;
    const std::string path = dir.file("D1.xrs");
    const std::vector<rs::IndexMark> marks = {
        rs::MakeIndexMark("00:00:05", "début de l'été"),
        rs::MakeIndexMark("00:00:40", "συνάντηση άμεσα", rs::IndexMarkType::kInsertStart),
        rs::MakeIndexMark("00:01:10", "ОБЪЯВЛЕНИЕ Ь", rs::IndexMarkType::kInsertEnd),
        rs::MakeIndexMark("00:02:00", "日本 本社"),
        rs::MakeIndexMark("00:03:00", ""),
    };
    ASSERT_TRUE(rs::WriteIndexMarkFile(path, marks).ok());
    EXPECT_EQ(kivo::test::ReadFileBytes(path).size(), 5 * 61u);
    const std::vector<rs::IndexMark> read = ReadMarks(path);
    ASSERT_EQ(read.size(), marks.size());
    for (std::size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(read[i].time_stamp, marks[i].time_stamp);
        EXPECT_EQ(read[i].comment, marks[i].comment);
        EXPECT_EQ(read[i].type, marks[i].type);
    }
}

TEST(IndexMarkFile, NoMarksGiveAnEmptyFile) {
    TempDir dir;
    const std::string path = dir.file("D1.xrs");
    kivo::test::WriteFileText(path, "old content");
    ASSERT_TRUE(rs::WriteIndexMarkFile(path, {}).ok());
    EXPECT_TRUE(kivo::test::ReadFileBytes(path).empty());
    EXPECT_TRUE(ReadMarks(path).empty());
}

TEST(IndexMarkFile, TornTailIsIgnored) {
    TempDir dir;
    const std::string path = dir.file("D1.xrs");
    const std::vector<rs::IndexMark> marks = {rs::MakeIndexMark("00:00:01", "a"),
                                              rs::MakeIndexMark("00:00:02", "b")};
    ASSERT_TRUE(rs::WriteIndexMarkFile(path, marks).ok());
    kivo::test::WriteFileText(path, kivo::test::ReadFileText(path) + "00:00:03 c");
    rs::IndexMarkRead read;
    EXPECT_EQ(ReadMarks(path, &read).size(), 2u);
    EXPECT_EQ(read.torn_tail_bytes, 10u);
}

TEST(IndexMarkFile, MissingFileIsNotFound) {
    TempDir dir;
    rs::IndexMarkRead read;
    EXPECT_EQ(rs::ReadIndexMarkFile(dir.file("none.xrs"), &read).code(),
              rs::Status::Code::kNotFound);
}

TEST(IndexMarkFile, AtMost5000MarksAreReadOrWritten) {
    TempDir dir;
    const std::string path = dir.file("D1.xrs");
    std::vector<rs::IndexMark> marks(rs::kMaxIndexMarks + 1, rs::MakeIndexMark("00:00:01", "m"));
    EXPECT_EQ(rs::WriteIndexMarkFile(path, marks).code(), rs::Status::Code::kInvalidArgument);
    std::string bytes;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        bytes += rs::EncodeIndexMarkEntry(marks[i], rs::IndexMarkStyle::kWithType);
    }
    kivo::test::WriteFileText(path, bytes);
    rs::IndexMarkRead read;
    EXPECT_EQ(ReadMarks(path, &read).size(), rs::kMaxIndexMarks);
    EXPECT_TRUE(read.truncated);
}

TEST(IndexMarkFile, NulBytesInAnEntryEndItsText) {
    TempDir dir;
    const std::string path = dir.file("D1.xrs");
    std::string entry = Padded61("00:00:07 ab");
    entry[10] = '\0';
    kivo::test::WriteFileText(path, entry);
    const std::vector<rs::IndexMark> read = ReadMarks(path);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].comment, "a");
}

TEST(MarkComments, JoinedWithSingleSpacesOrASpaceWhenNone) {
    EXPECT_EQ(rs::JoinMarkComments({}), " ");
    const std::vector<rs::IndexMark> marks = {rs::MakeIndexMark("00:00:01", "first one"),
                                              rs::MakeIndexMark("00:00:02", "second")};
    EXPECT_EQ(rs::JoinMarkComments(marks), "first one second");
}

TEST(MarkComments, JoinedTextStopsAt5000Bytes) {
    const std::vector<rs::IndexMark> marks(200,
                                           rs::MakeIndexMark("00:00:01", std::string(50, 'k')));
    const std::string joined = rs::JoinMarkComments(marks);
    EXPECT_EQ(joined.size(), rs::kMarkCommentsMaxBytes);
    EXPECT_EQ(joined.substr(0, 52), std::string(50, 'k') + " k");
}
