// Record lists: which lines each kind lists, the columns the rows carry,
// post-processing, sorting and the status texts.
#include "kivo/core/record_list.h"

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

using test::MakeRecordLine;
using test::MakeRecordLog;
using test::RecordFields;
using test::TempDir;
using test::WriteFileText;

RecordFields Record(int number, std::string kind, std::string subject, std::string date,
                    std::string duration = "00:01:00") {
    RecordFields f;
    f.number = number;
    f.kind = std::move(kind);
    f.subject = std::move(subject);
    f.start_date = std::move(date);
    f.duration = std::move(duration);
    f.container = "D" + std::to_string(number) + ".xrz";
    return f;
}

std::vector<std::string> Column(const RecordList& list, int column) {
    std::vector<std::string> values;
    for (const auto& row : list.rows())
        values.push_back(row.columns[column]);
    return values;
}

TEST(SearchLog, EachKindListsItsOwnLinesAndSkipsHeaderAndErasedLines) {
    TempDir dir;
    std::string log = MakeRecordLog(
        {Record(1, "0", "dictation", "01/02/2024"), Record(2, "5", "from wave", "01/02/2024"),
         Record(3, "12", "traduction", "01/02/2024"), Record(4, "9", "video", "01/02/2024")});
    std::string erased = "99999999 ";
    erased.resize(400, '#');
    log += erased + "\n";
    WriteFileText(dir.file("Voxwren.xrr"), log);

    auto ids = [&](int search_kind) {
        std::vector<std::string> result;
        for (const auto& row : SearchLog(dir.file("Voxwren.xrr"), search_kind)) {
            result.push_back(row.columns[0]);
        }
        return result;
    };
    EXPECT_EQ(ids(1), (std::vector<std::string>{"00000001", "00000002"}));
    EXPECT_EQ(ids(5), (std::vector<std::string>{"00000003"}));
    EXPECT_EQ(ids(9), (std::vector<std::string>{"00000004"}));
    EXPECT_TRUE(ids(7).empty());
    EXPECT_TRUE(SearchLog(dir.file("missing.xrr"), 1).empty());
}

TEST(SearchLog, RowsCarryTheColumnsOfTheirKind) {
    TempDir dir;
    RecordFields call = Record(7, "2", "0123 456789", "05/03/2024", "00:02:10");
    call.text_a =
        "Anna\xAC"
        "Berg";
    call.kind_number = "7";
    WriteFileText(dir.file("Voxwren.xrp"), MakeRecordLog({call}));
    auto rows = SearchLog(dir.file("Voxwren.xrp"), 3);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns,
              (std::vector<std::string>{"00000007", "0123 456789", "Anna Berg", "05/03/2024",
                                        "12:00:00", "00:02:10", "D7.xrz", "2"}));
    EXPECT_EQ(rows[0].image, kImageNewMessage);
    EXPECT_EQ(rows[0].log_offset, 401u);

    RecordFields diary = Record(8, "4", "Dentist", "01/01/2024");
    diary.text_a = "17/06/2024";
    diary.text_b = "09:30";
    diary.kind_number = "1";
    WriteFileText(dir.file("Voxwren.xrd"), MakeRecordLog({diary}));
    rows = SearchLog(dir.file("Voxwren.xrd"), 4);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns, (std::vector<std::string>{"00000008", "Dentist", "17/06/2024",
                                                         "09:30", "00:01:00", "D8.xrz", "2"}));
}

TEST(SearchLog, MalformedLinesAndAPartialLastLineArePassedOver) {
    TempDir dir;
    std::string bad = MakeRecordLine(Record(2, "0", "bad", "01/01/2024"));
    bad[50] = '\0';
    std::string short_line = MakeRecordLine(Record(3, "0", "cut", "01/01/2024")).substr(0, 200);
    WriteFileText(dir.file("Voxwren.xrr"),
                  MakeRecordLog({Record(1, "0", "good", "01/01/2024")}) + bad + short_line);
    auto rows = SearchLog(dir.file("Voxwren.xrr"), 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].columns[1], "good");
}

TEST(SearchLog, StatusNumbersFollowLocksImportsAndReminders) {
    TempDir dir;
    RecordFields locked = Record(1, "0", "locked", "01/01/2024");
    locked.lock = "L";
    RecordFields imported = Record(2, "0", "imported", "01/01/2024");
    imported.text_a = "\xAC\xAC";
    WriteFileText(dir.file("Voxwren.xrr"),
                  MakeRecordLog({locked, imported, Record(3, "0", "plain", "01/01/2024")}));
    auto rows = SearchLog(dir.file("Voxwren.xrr"), 1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].status(), kStatusLocked);
    EXPECT_EQ(rows[1].status(), kStatusImported);
    EXPECT_EQ(rows[2].status(), kStatusNormal);
    EXPECT_EQ(StatusColour(rows[0].status()), (Rgb{0, 0, 0}));
    EXPECT_EQ(StatusColour(rows[1].status()), (Rgb{140, 0, 141}));
    EXPECT_EQ(StatusColour(kStatusAttention), (Rgb{43, 132, 34}));
    EXPECT_EQ(StatusColour(17), (Rgb{10, 20, 200}));
}

TEST(SearchLog, WindowsTextIsShownAsUtf8) {
    // Each field is read as a whole: a Windows-1252 one (with a run that
    // looks like UTF-8: é, a stored space, £) and a UTF-8 one side by side.
    TempDir dir;
    WriteFileText(dir.file("Voxwren.xrr"), MakeRecordLog({Record(1, "0",
                                                                 "Caf\xE9 \xA3"
                                                                 "5 \x80",
                                                                 "01/01/2024"),
                                                          Record(2, "0",
                                                                 "Caf\xC3\xA9 \xE2\x82\xAC"
                                                                 "5",
                                                                 "01/01/2024")}));
    auto rows = SearchLog(dir.file("Voxwren.xrr"), 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].columns[1], "Café £5 €");
    EXPECT_EQ(rows[1].columns[1], "Café €5");
}

TEST(RecordDates, AreNormalisedToDayMonthYear) {
    EXPECT_EQ(NormaliseDateText("1/2/2024"), "01/02/2024");
    EXPECT_EQ(NormaliseDateText("01.02.24"), "01/02/2024");
    EXPECT_EQ(NormaliseDateText("2024-02-01"), "01/02/2024");
    EXPECT_EQ(NormaliseDateText("31/13/2024"), "00/00/0000");
    EXPECT_EQ(NormaliseDateText("yesterday"), "00/00/0000");
}

class RecordListTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(dir.file("Voxwren.xrr"),
                      MakeRecordLog({Record(1, "0", "beta", "15/01/2024", "00:10:00"),
                                     Record(2, "0", "Alpha", "02/03/2023", "01:00:00"),
                                     Record(3, "0", "gamma", "1/2/2024", "00:00:05")}));
        RecordFields p1 = Record(11, "3", "555", "10/10/2023");
        RecordFields p2 = Record(12, "2", "444", "09/09/2025");
        p2.kind_number = "7";
        RecordFields p3 = Record(13, "2", "333", "01/01/2020");
        p3.kind_number = "7";
        WriteFileText(dir.file("Voxwren.xrp"), MakeRecordLog({p1, p2, p3}));
    }
    TempDir dir;
    RecordList list;
};

TEST_F(RecordListTest, FirstListingIsSortedByIdAscending) {
    EXPECT_EQ(list.List(ViewKind::kDictation, dir.path()), 3);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"00000001", "00000002", "00000003"}));
    EXPECT_EQ(list.StatusText(), "Total dictations found = 3");
}

TEST_F(RecordListTest, DateSortCarriesOverToThePhoneListsDateColumn) {
    list.List(ViewKind::kDictation, dir.path());
    list.ClickHeader(2);  // "Date"
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"00000002", "00000001", "00000003"}));
    list.List(ViewKind::kPhone, dir.path());
    EXPECT_EQ(list.sort_column(), 3);  // the phone list's "Date"
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"00000013", "00000011", "00000012"}));
    list.List(ViewKind::kDiary, dir.path());
    EXPECT_EQ(list.sort_column(), 2);
}

TEST_F(RecordListTest, ClickingDurationTwiceShowsTheLongestFirst) {
    list.List(ViewKind::kDictation, dir.path());
    list.ClickHeader(4);
    EXPECT_FALSE(list.descending());
    list.ClickHeader(4);
    EXPECT_TRUE(list.descending());
    EXPECT_EQ(Column(list, 4), (std::vector<std::string>{"01:00:00", "00:10:00", "00:00:05"}));
    list.ClickHeader(1);  // another column sorts ascending, ignoring case
    EXPECT_FALSE(list.descending());
    EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
}

TEST_F(RecordListTest, HiddenColumnsKeepTheOrder) {
    list.List(ViewKind::kDictation, dir.path());
    list.ClickHeader(1);
    auto before = Column(list, 0);
    list.ClickHeader(5);
    EXPECT_EQ(Column(list, 0), before);
}

TEST(RecordListSort, RowsAlreadyInOrderAndEqualKeysKeepTheirPlaces) {
    TempDir dir;
    // Equal subjects in ID order, a log listed out of ID order, and equal
    // dates: the sort is stable whether or not anything has to move.
    WriteFileText(dir.file("Voxwren.xrr"), MakeRecordLog({Record(5, "0", "same", "01/01/2024"),
                                                          Record(2, "0", "Same", "01/01/2024"),
                                                          Record(9, "0", "other", "01/01/2023"),
                                                          Record(7, "0", "same", "02/01/2024")}));
    RecordList list;
    list.List(ViewKind::kDictation, dir.path());
    EXPECT_EQ(Column(list, 0),
              (std::vector<std::string>{"00000002", "00000005", "00000007", "00000009"}));
    list.SetSort(1, false);  // subject, ignoring case: ties keep the ID order
    EXPECT_EQ(Column(list, 0),
              (std::vector<std::string>{"00000009", "00000002", "00000005", "00000007"}));
    list.SetSort(1, false);  // already in order: nothing moves
    EXPECT_EQ(Column(list, 0),
              (std::vector<std::string>{"00000009", "00000002", "00000005", "00000007"}));
    list.SetSort(2, true);  // newest date first, equal dates in their order
    EXPECT_EQ(Column(list, 0),
              (std::vector<std::string>{"00000007", "00000002", "00000005", "00000009"}));
    list.SetSort(0, false);
    EXPECT_EQ(Column(list, 0),
              (std::vector<std::string>{"00000002", "00000005", "00000007", "00000009"}));
}

TEST_F(RecordListTest, PhoneStatusCountsNewMessages) {
    list.List(ViewKind::kPhone, dir.path());
    EXPECT_EQ(list.NewMessageCount(), 2);
    EXPECT_EQ(list.StatusText(), "Total phone calls found = 3 : You have 2 new messages.");
    list.List(ViewKind::kMeeting, dir.path());  // no meeting log: nothing listed
    EXPECT_EQ(list.StatusText(), "Total meetings found = 0");
}

// A log damaged outside the program (a line with a NUL, a shortened line
// that puts the rest out of step) lists what can be read, and the status
// says how much was left out and where it starts, instead of a list that is
// silently short or empty.
TEST_F(RecordListTest, ADamagedLogIsNamedWithItsFirstBadLineAndTheRestListed) {
    std::string with_nul = MakeRecordLine(Record(4, "0", "nul", "01/01/2024"));
    with_nul[50] = '\0';
    const std::string cut = MakeRecordLine(Record(6, "0", "cut", "01/01/2024")).substr(0, 200);
    WriteFileText(dir.file("Voxwren.xrr"),
                  MakeRecordLog({Record(1, "0", "good", "01/01/2024")}) + with_nul +
                      MakeRecordLine(Record(5, "0", "after", "01/01/2024")) + cut);
    list.List(ViewKind::kDictation, dir.path());
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"00000001", "00000005"}));
    EXPECT_EQ(list.DamageText(), "Voxwren.xrr: 2 damaged lines not listed, the first is line 3");
    EXPECT_EQ(list.StatusText(), "Total dictations found = 2 : " + list.DamageText());

    // A sound log says nothing more.
    list.List(ViewKind::kPhone, dir.path());
    EXPECT_EQ(list.DamageText(), "");
    EXPECT_EQ(list.StatusText(), "Total phone calls found = 3 : You have 2 new messages.");
}

TEST(ListKinds, DescribeEveryKindAsTheWindowShowsIt) {
    EXPECT_EQ(ListKind(ViewKind::kPhone).columns.size(), 8u);
    EXPECT_EQ(ListKind(ViewKind::kDiary).columns[2].title, std::string("Diary Date"));
    EXPECT_EQ(ListKind(ViewKind::kDictation).columns[1].width_px, 280);
    EXPECT_EQ(ListKind(ViewKind::kVideo).search_kind, 9);
    EXPECT_EQ(ListKind(ViewKind::kMeeting).searching_status,
              std::string("Meeting List : 0 items returned"));
    EXPECT_EQ(ColumnOf(ViewKind::kPhone, ColumnRole::kRecordingFile), 6);
    EXPECT_EQ(ColumnOf(ViewKind::kDictation, ColumnRole::kStatus), 6);
    EXPECT_EQ(ViewKindFromName("translation"), ViewKind::kTranslation);
}

}  // namespace
}  // namespace kivo::core
