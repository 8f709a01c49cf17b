// A damaged record index: the search passes over what it cannot read and
// still searches the rest, and never crashes or hangs.
#include <gtest/gtest.h>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/search/record_search.h"
#include "search_folder.h"

namespace kivo::search {
namespace {

using test::ReadBytes;
using test::SearchFolder;
using test::TestRecord;
using test::WriteBytes;

TestRecord Record(std::int32_t number) {
    TestRecord record;
    record.number = number;
    record.keywords = "invoice " + std::to_string(number);
    return record;
}

SearchOutcome SearchAll(const SearchFolder& folder) {
    SearchCriteria criteria;
    criteria.keywords = "invoice";
    return RecordSearch(filesystem::DefaultFileSystem(), folder.path()).Run(criteria, nullptr);
}

std::vector<std::int32_t> Numbers(const SearchOutcome& outcome) {
    std::vector<std::int32_t> numbers;
    for (const auto& row : outcome.rows)
        numbers.push_back(row.record_number);
    return numbers;
}

// The stored entries of the index, each with its length prefix and line feed.
std::vector<std::string> StoredEntries(const std::string& index) {
    std::vector<std::string> entries;
    std::size_t at = 0;
    while (at + 8 <= index.size()) {
        const std::size_t length = std::stoul(index.substr(at, 8));
        entries.push_back(index.substr(at, 8 + length + 1));
        at += 8 + length + 1;
    }
    return entries;
}

class DamagedIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Add({Record(1), Record(2), Record(3)});
        entries = StoredEntries(ReadBytes(folder.IndexPath()));
        ASSERT_EQ(entries.size(), 3u);
    }
    void WriteIndex(const std::string& bytes) { WriteBytes(folder.IndexPath(), bytes); }
    SearchFolder folder;
    std::vector<std::string> entries;
};

TEST_F(DamagedIndexTest, AnEntryWithALengthThatIsNoNumberIsSkipped) {
    std::string bad = entries[1];
    bad.replace(0, 8, "00x00123");
    WriteIndex(entries[0] + bad + entries[2]);
    const auto outcome = SearchAll(folder);
    EXPECT_EQ(Numbers(outcome), (std::vector<std::int32_t>{1, 3}));
    EXPECT_GT(outcome.counts.damaged_index_bytes, 0u);
}

TEST_F(DamagedIndexTest, AnEntryWhoseLengthRunsIntoTheNextIsSkipped) {
    for (const char* length : {"00000010", "99999999", "00000000"}) {
        std::string bad = entries[1];
        bad.replace(0, 8, length);
        WriteIndex(entries[0] + bad + entries[2]);
        EXPECT_EQ(Numbers(SearchAll(folder)), (std::vector<std::int32_t>{1, 3})) << length;
    }
}

TEST_F(DamagedIndexTest, GarbageLinesBetweenEntriesArePassedOver) {
    WriteIndex(entries[0] + std::string("\x01\x02garbage\n\n0000\n", 16) + entries[1] + entries[2]);
    EXPECT_EQ(Numbers(SearchAll(folder)), (std::vector<std::int32_t>{1, 2, 3}));
}

TEST_F(DamagedIndexTest, EveryTruncationOfTheIndexSearchesWhatIsWhole) {
    const std::string whole = entries[0] + entries[1] + entries[2];
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        WriteIndex(whole.substr(0, size));
        const auto found = Numbers(SearchAll(folder));
        std::size_t complete = 0;
        for (std::size_t end = 0; complete < 3 && end + entries[complete].size() <= size;
             ++complete) {
            end += entries[complete].size();
        }
        EXPECT_EQ(found.size(), complete) << "index cut at " << size;
    }
}

TEST_F(DamagedIndexTest, AnEntryWithFieldsThatAreNoNumbersIsSkipped) {
    // Same length, damaged record number, date and line position.
    std::string bad_number = entries[0];
    bad_number[8] = 'x';
    std::string bad_position = entries[2];
    bad_position[bad_position.size() - 2] = '?';
    WriteIndex(bad_number + entries[1] + bad_position);
    EXPECT_EQ(Numbers(SearchAll(folder)), (std::vector<std::int32_t>{2}));
}

TEST_F(DamagedIndexTest, OfTwoLiveEntriesOfARecordOnlyTheLaterCounts) {
    // An update cut between its append and its kill: the later entry no
    // longer holds the word, so the record is not found by it.
    std::string later = entries[1];
    const auto at = later.find("invoice 2");
    ASSERT_NE(at, std::string::npos);
    later.replace(at, 9, "holiday 2");
    WriteIndex(entries[0] + entries[1] + entries[2] + later);
    EXPECT_EQ(Numbers(SearchAll(folder)), (std::vector<std::int32_t>{1, 3}));
}

TEST_F(DamagedIndexTest, AnIndexThatIsAFolderIsReportedAsMissing) {
    std::filesystem::remove(folder.IndexPath());
    std::filesystem::create_directory(folder.IndexPath());
    EXPECT_EQ(SearchAll(folder).message_code, kIndexMissingMessage);
}

}  // namespace
}  // namespace kivo::search
