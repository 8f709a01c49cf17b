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

TEST(RecordLineLookupTest, ReadingManyLinesAtOnceAnswersAsReadingEachAlone) {
    // Over a megabyte of dictation lines (more than one read), meetings in
    // another log, and requests that are found, BAD or LOST, far apart and
    // side by side, in no particular order.
    SearchFolder folder;
    std::vector<TestRecord> records;
    for (std::int32_t number = 1; number <= 3000; ++number) {
        TestRecord record = Record(number, "word");
        record.kind = number % 7 == 0 ? "1" : "0";
        records.push_back(record);
    }
    folder.Add(records);
    std::vector<LineRequest> requests;
    std::vector<std::string> kinds;  // kept alive for the requests' views
    kinds.reserve(4000);
    const auto ask = [&](std::int32_t number, std::string kind, std::uint64_t position) {
        kinds.push_back(std::move(kind));
        requests.push_back({number, kinds.back(), position});
    };
    for (std::int32_t number = 3000; number >= 1; number -= number % 5 == 0 ? 1 : 3)
        ask(number, number % 7 == 0 ? "1" : "0", folder.PositionOf(number));
    ask(12, "0", folder.PositionOf(13));      // another record's line
    ask(12, "0", folder.PositionOf(12) + 1);  // not at a line's start
    ask(12, "0", 0);                          // the header line
    ask(12, "0", 4000 * kLine);               // past the end of the log
    ask(12, "0", UINT64_MAX - 5);             // past any file
    ask(12, "7", folder.PositionOf(12));      // a type without a log
    ask(7, "4", folder.PositionOf(7));        // a log that is not there
    ask(1500, "0", folder.PositionOf(1500));  // asked twice
    ask(1500, "0", folder.PositionOf(1500));

    RecordLineReader batch(filesystem::DefaultFileSystem(), folder.path());
    std::vector<int> visits(requests.size(), 0);
    std::size_t found = 0;
    batch.ReadMany(requests,
                   [&](std::size_t i, LineLookup lookup, const recordstore::RecordLine& line) {
                       ++visits[i];
                       RecordLineReader single(filesystem::DefaultFileSystem(), folder.path());
                       recordstore::RecordLine alone;
                       const auto& request = requests[i];
                       ASSERT_EQ(lookup, single.Read(request.record_number, request.kind_code,
                                                     request.position_bytes, &alone))
                           << "request " << i;
                       if (lookup == LineLookup::kFound) {
                           EXPECT_EQ(line.bytes(), alone.bytes());
                           ++found;
                       }
                   });
    EXPECT_EQ(visits, std::vector<int>(requests.size(), 1));
    EXPECT_GT(found, 1000u);
}

TEST(RecordLineLookupTest, RowsComeInTheIndexOrderWhateverLogTheirLinesAreIn) {
    SearchFolder folder;
    std::vector<TestRecord> records;
    const char* kinds[] = {"2", "0", "4", "1", "12", "3"};
    for (std::int32_t number = 1; number <= 12; ++number) {
        TestRecord record = Record(number, "invoice");
        record.kind = kinds[number % 6];
        records.push_back(record);
    }
    folder.Add(records);
    std::vector<std::int32_t> all(12);
    for (std::int32_t n = 0; n < 12; ++n)
        all[static_cast<std::size_t>(n)] = n + 1;
    EXPECT_EQ(Found(folder, "invoice"), all);
}

}  // namespace
}  // namespace kivo::search
