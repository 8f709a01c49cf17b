// Finding a record's line where its index entry points: lines moved by
// compaction, erased lines, stale positions and types without a log.
#include <gtest/gtest.h>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/search/record_line_reader.h"
#include "kivo/search/record_search.h"
#include "search_folder.h"

namespace kivo::search {
namespace {

using test::ReadBytes;
using test::SearchFolder;
using test::TestRecord;
using test::WriteBytes;

constexpr std::uint64_t kLine = recordstore::kRecordLineBytes;

TestRecord Record(std::int32_t number, std::string keywords) {
    TestRecord record;
    record.number = number;
    record.keywords = std::move(keywords);
    return record;
}

std::vector<std::int32_t> Found(const SearchFolder& folder, const std::string& words) {
    SearchCriteria criteria;
    criteria.keywords = words;
    const auto outcome =
        RecordSearch(filesystem::DefaultFileSystem(), folder.path()).Run(criteria, nullptr);
    std::vector<std::int32_t> numbers;
    for (const auto& row : outcome.rows)
        numbers.push_back(row.record_number);
    return numbers;
}

TEST(RecordLineLookupTest, ReadRecordLineAnswersTheLineBadOrLost) {
    SearchFolder folder;
    folder.Add({Record(1, ""), Record(2, "")});
    RecordLineReader reader(filesystem::DefaultFileSystem(), folder.path());
    const std::string line = ReadRecordLine(reader, "00000002", "0", folder.PositionOf(2));
    EXPECT_EQ(line, ReadBytes(folder.File("Voxwren.xrr")).substr(folder.PositionOf(2), kLine));
    EXPECT_EQ(ReadRecordLine(reader, "00000002", "7", folder.PositionOf(2)), "BAD");
    EXPECT_EQ(ReadRecordLine(reader, "00000002", "17", folder.PositionOf(2)), "BAD");
    EXPECT_EQ(ReadRecordLine(reader, "00000002", "0", folder.PositionOf(1)), "LOST");
    EXPECT_EQ(ReadRecordLine(reader, "00000002", "0", 0), "LOST");           // the header line
    EXPECT_EQ(ReadRecordLine(reader, "00000002", "0", 10 * kLine), "LOST");  // past the end
    EXPECT_EQ(ReadRecordLine(reader, "00000002", "0", folder.PositionOf(2) + 1), "LOST");
    EXPECT_EQ(ReadRecordLine(reader, "00000001", "1", folder.PositionOf(1)), "LOST");  // no log
}

TEST(RecordLineLookupTest, ALineMovedByCompactionIsFoundAtItsNewPosition) {
    SearchFolder folder;
    folder.Add({Record(1, "budget"), Record(2, "invoice"), Record(3, "invoice")});
    // Compaction drops record 1's erased line: 2 and 3 move up one line and
    // their entries are pointed at the new positions, flagged as moved.
    const std::string log = ReadBytes(folder.File("Voxwren.xrr"));
    WriteBytes(folder.File("Voxwren.xrr"), log.substr(0, kLine) + log.substr(2 * kLine));
    recordstore::RecordIndex index(folder.IndexPath());
    ASSERT_TRUE(index.Remove(1).ok());
    for (std::int32_t number : {2, 3}) {
        recordstore::IndexRecord entry;
        ASSERT_TRUE(index.Get(number, &entry).ok());
        entry.line_position -= static_cast<std::int64_t>(kLine);
        entry.moved = true;
        ASSERT_TRUE(index.Put(entry).ok());
    }
    EXPECT_EQ(Found(folder, "invoice"), (std::vector<std::int32_t>{2, 3}));
}

TEST(RecordLineLookupTest, AnErasedLineStillInTheIndexIsLeftOut) {
    SearchFolder folder;
    folder.Add({Record(1, "invoice"), Record(2, "invoice")});
    std::string log = ReadBytes(folder.File("Voxwren.xrr"));
    const std::string erased = "99999999 " + std::string(400 - 9, '#') + "\n";
    log.replace(folder.PositionOf(1), kLine, erased);
    WriteBytes(folder.File("Voxwren.xrr"), log);
    SearchCriteria criteria;
    criteria.keywords = "invoice";
    const auto outcome =
        RecordSearch(filesystem::DefaultFileSystem(), folder.path()).Run(criteria, nullptr);
    ASSERT_EQ(outcome.rows.size(), 1u);
    EXPECT_EQ(outcome.rows[0].record_number, 2);
    EXPECT_EQ(outcome.counts.lines_lost, 1u);
    // The statistics count only the record that is listed.
    ASSERT_EQ(outcome.statistics.size(), 1u);
    EXPECT_EQ(outcome.statistics[0].matches, 1);
}

TEST(RecordLineLookupTest, AStalePositionPointingAtAnotherRecordIsLeftOut) {
    SearchFolder folder;
    folder.Add({Record(1, "alpha"), Record(2, "beta")});
    recordstore::RecordIndex index(folder.IndexPath());
    recordstore::IndexRecord entry;
    ASSERT_TRUE(index.Get(2, &entry).ok());
    entry.line_position = static_cast<std::int64_t>(folder.PositionOf(1));
    ASSERT_TRUE(index.Put(entry).ok());
    EXPECT_EQ(Found(folder, "alpha beta"), (std::vector<std::int32_t>{1}));
}

}  // namespace
}  // namespace kivo::search
