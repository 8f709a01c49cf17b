// The search over the record index and the record logs: which records each
// choice of area, dates and keywords finds, and what it shows of them.
#include "kivo/search/record_search.h"

#include <gtest/gtest.h>

#include "kivo/filesystem/posix_file_system.h"
#include "search_folder.h"

namespace kivo::search {
namespace {

using test::SearchFolder;
using test::TestRecord;

TestRecord Record(std::int32_t number, std::string kind, std::string keywords = "",
                  std::string date = "15/03/2024") {
    TestRecord record;
    record.number = number;
    record.kind = std::move(kind);
    record.keywords = std::move(keywords);
    record.date = std::move(date);
    record.subject = "Record " + std::to_string(number);
    return record;
}

std::vector<std::int32_t> Numbers(const SearchOutcome& outcome) {
    std::vector<std::int32_t> numbers;
    for (const auto& row : outcome.rows)
        numbers.push_back(row.record_number);
    return numbers;
}

class RecordSearchTest : public ::testing::Test {
protected:
    SearchOutcome Search(SearchCriteria criteria) {
        RecordSearch search(filesystem::DefaultFileSystem(), folder.path());
        return search.Run(criteria, nullptr);
    }
    SearchOutcome Search(std::string keywords, SearchArea area = SearchArea::kAllExceptVideo) {
        SearchCriteria criteria;
        criteria.keywords = std::move(keywords);
        criteria.area = area;
        return Search(criteria);
    }
    SearchFolder folder;
};

TEST_F(RecordSearchTest, EachAreaListsOnlyItsRecordTypes) {
    folder.Add({Record(1, "0"), Record(2, "5"), Record(3, "1"), Record(4, "2"), Record(5, "3"),
                Record(6, "4"), Record(7, "11"), Record(8, "16"), Record(9, "9")});
    using V = std::vector<std::int32_t>;
    EXPECT_EQ(Numbers(Search("", SearchArea::kDictation)), (V{1, 2}));
    EXPECT_EQ(Numbers(Search("", SearchArea::kMeeting)), (V{3}));
    EXPECT_EQ(Numbers(Search("", SearchArea::kPhone)), (V{4, 5}));
    EXPECT_EQ(Numbers(Search("", SearchArea::kDiary)), (V{6}));
    EXPECT_EQ(Numbers(Search("", SearchArea::kTranslation)), (V{7, 8}));
    EXPECT_EQ(Numbers(Search("", SearchArea::kVideo)), (V{9}));
    EXPECT_EQ(Numbers(Search("", SearchArea::kAllExceptVideo)), (V{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(RecordSearchTest, AreaNamesOfTheCommandLineMapToTheAreaValues) {
    EXPECT_EQ(SearchAreaFromName("all"), SearchArea::kAllExceptVideo);
    EXPECT_EQ(static_cast<int>(*SearchAreaFromName("all")), 99);
    EXPECT_EQ(static_cast<int>(*SearchAreaFromName("phone")), 2);
    EXPECT_EQ(static_cast<int>(*SearchAreaFromName("diary")), 4);
    EXPECT_FALSE(SearchAreaFromName("Phone"));
    EXPECT_FALSE(RecordTypeOf("1a"));
    EXPECT_FALSE(RecordTypeOf(""));
}

TEST_F(RecordSearchTest, BothDateBoundsAreIncluded) {
    folder.Add({Record(1, "0", "", "28/02/2024"), Record(2, "0", "", "01/03/2024"),
                Record(3, "0", "", "15/03/2024"), Record(4, "0", "", "31/03/2024"),
                Record(5, "0", "", "01/04/2024")});
    SearchCriteria march;
    march.from_date = DateNumber(2024, 3, 1);
    march.to_date = DateNumber(2024, 3, 31);
    EXPECT_EQ(Numbers(Search(march)), (std::vector<std::int32_t>{2, 3, 4}));
    SearchCriteria one_day;
    one_day.from_date = one_day.to_date = DateNumber(2024, 3, 15);
    EXPECT_EQ(Numbers(Search(one_day)), (std::vector<std::int32_t>{3}));
}

TEST_F(RecordSearchTest, AKeywordInTheMarkCommentsFieldIsFound) {
    TestRecord commented = Record(2, "0");
    commented.comments = "the invoice is due";
    folder.Add({Record(1, "0", "budget"), commented});
    const auto outcome = Search("invoice");
    EXPECT_EQ(Numbers(outcome), (std::vector<std::int32_t>{2}));
}

TEST_F(RecordSearchTest, EitherWordFindsARecordInAnyCaseAndCountsUnderTheFirstWordOnly) {
    folder.Add({Record(1, "0", "Invoice for March"), Record(2, "0", "march budget"),
                Record(3, "0", "INVOICE and MARCH"), Record(4, "0", "nothing")});
    const auto outcome = Search("invoice  march");
    EXPECT_EQ(Numbers(outcome), (std::vector<std::int32_t>{1, 2, 3}));
    ASSERT_EQ(outcome.statistics.size(), 2u);
    EXPECT_EQ(outcome.statistics[0].word, "INVOICE");
    EXPECT_EQ(outcome.statistics[0].matches, 2);
    EXPECT_EQ(outcome.statistics[1].word, "MARCH");
    EXPECT_EQ(outcome.statistics[1].matches, 1);
}

TEST_F(RecordSearchTest, UpperCasingWorksOnWholeUtf8AndWindows1252Characters) {
    folder.Add({Record(1, "0", "élan vital"), Record(2, "0", "Ärger mit Öl"),
                Record(3, "0", "caf\xE9 cr\xE8me"),  // written by the Windows program
                Record(4, "0", "elan")});
    EXPECT_EQ(Numbers(Search("ÉLAN")), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(Numbers(Search("ärger")), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(Numbers(Search("öl")), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(Numbers(Search("Café")), (std::vector<std::int32_t>{3}));
    EXPECT_EQ(Numbers(Search("CRÈME")), (std::vector<std::int32_t>{3}));
}

TEST_F(RecordSearchTest, EmptyKeywordsListEveryRecordOfTheAreaAndDates) {
    folder.Add({Record(1, "0", "a"), Record(2, "1", ""), Record(3, "4", "c")});
    const auto outcome = Search("   ");
    EXPECT_EQ(Numbers(outcome), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_TRUE(outcome.statistics.empty());
}

TEST_F(RecordSearchTest, RowsShowTheIdDateAndInformationOfEachKind) {
    TestRecord call = Record(2, "2");
    call.text_a = "Anna Berg";
    call.subject = "0123 456";
    TestRecord diary = Record(3, "4");
    diary.text_a = "20/03/2024";
    diary.subject = "Dentist at noon";
    TestRecord meeting = Record(4, "1");
    meeting.subject = "Board meeting";
    folder.Add({Record(1, "0"), call, diary, meeting});
    const auto outcome = Search("");
    ASSERT_EQ(outcome.rows.size(), 4u);
    EXPECT_EQ(ResultTexts(outcome.rows[0]),
              (std::vector<std::string>{"00000001", "15/03/2024", "Subject: Record 1"}));
    EXPECT_EQ(outcome.rows[1].information, "Name: Anna Berg ---> Number: 0123 456");
    EXPECT_EQ(outcome.rows[2].information, "Diary Date: 20/03/2024 ---> Subject: Dentist at noon");
    EXPECT_EQ(outcome.rows[3].information, "Subject: Board meeting");
    EXPECT_EQ(outcome.rows[0].recording_file, "D1.xrz");
    EXPECT_EQ(outcome.rows[0].date_order, 20240315);
}

TEST_F(RecordSearchTest, ALockedRecordIsMarkedInItsRow) {
    TestRecord locked = Record(1, "0");
    locked.lock = "L";
    folder.Add({locked, Record(2, "0")});
    const auto outcome = Search("");
    ASSERT_EQ(outcome.rows.size(), 2u);
    EXPECT_TRUE(outcome.rows[0].locked);
    EXPECT_FALSE(outcome.rows[1].locked);
}

TEST_F(RecordSearchTest, NothingFoundAndAMissingIndexGiveTheirMessages) {
    EXPECT_EQ(Search("").message_code, kIndexMissingMessage);
    folder.Add({Record(1, "0", "budget")});
    const auto outcome = Search("holiday");
    EXPECT_EQ(outcome.message_code, kNothingFoundMessage);
    EXPECT_TRUE(outcome.rows.empty());
    EXPECT_EQ(Search("budget").message_code, 0);
}

TEST_F(RecordSearchTest, SmartSearchWithoutADictionarySaysSoAndSearchesTheWords) {
    folder.Add({Record(1, "0", "car")});
    SearchCriteria criteria;
    criteria.keywords = "car";
    criteria.smart = true;
    const auto outcome = Search(criteria);
    EXPECT_FALSE(outcome.smart_search_problem.empty());
    EXPECT_EQ(Numbers(outcome), (std::vector<std::int32_t>{1}));
}

}  // namespace
}  // namespace kivo::search
