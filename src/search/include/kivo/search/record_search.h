// RecordSearch: finds the records of the open data store by date, area and
// keywords, reading the record index in the working folder entry by entry
// and each found record's line from its record log.
//
// An entry passes when its type is in the area, its date lies between the
// two bounds (both included) and, when there are keywords, one variant of
// one search word occurs in its keywords or its mark comments (fields 3 and
// 4), compared as searchable text (search_text.h). A passing entry whose
// line is BAD or LOST (record_line_reader.h) is left out silently; only
// records that are listed count in the statistics.
//
// The index is untrusted: entries with a damaged length or layout are passed
// over and the rest of the index is still searched; a torn last entry ends
// the search there. A record with two live entries (an update cut short) is
// judged by the later one only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/search/search_area.h"
#include "kivo/search/search_words.h"

namespace kivo::thesaurus {
class Thesaurus;
}

namespace kivo::search {

inline constexpr int kNothingFoundMessage = 18;
inline constexpr int kIndexMissingMessage = 123;

// year * 10000 + month * 100 + day, as the index keeps dates.
constexpr std::int32_t DateNumber(int year, int month, int day) {
    return year * 10000 + month * 100 + day;
}

struct SearchCriteria {
    std::int32_t from_date = 0;       // yyyymmdd, included
    std::int32_t to_date = 99991231;  // yyyymmdd, included
    SearchArea area = SearchArea::kAllExceptVideo;
    std::string keywords;  // any case; words at spaces
    bool smart = false;    // widen the words with related words
};

// One row of the result list.
struct SearchRow {
    std::string id;           // "00000042"
    std::string date;         // "15/03/2024"
    std::string information;  // "Subject: ...", "Name: ... ---> Number: ..."
    // Not shown: what the result-list commands need.
    std::int32_t record_number = 0;
    std::string kind_code;       // field 2 of the record line
    std::string recording_file;  // field 7: "D" + stamp + ".xrz"
    bool locked = false;         // field 6 is set
    std::uint64_t log_offset = 0;
    std::int32_t date_order = 0;  // yyyymmdd, for sorting
};

// The visible columns of the result list, in order, with their widths in
// pixels, and a row's texts for them (the dialog and kivoctl show these).
struct ResultColumn {
    const char* title;
    int width_px;
};
inline constexpr ResultColumn kResultColumns[] = {{"ID", 100}, {"Date", 80}, {"Information", 400}};
std::vector<std::string> ResultTexts(const SearchRow& row);

// How far the search went, for tests and diagnostics.
struct SearchCounts {
    std::size_t entries_read = 0;           // live entries of the index
    std::size_t entries_passed = 0;         // passed area, date and keywords
    std::size_t lines_lost = 0;             // passed but the line was LOST
    std::size_t lines_bad = 0;              // passed but their type has no log
    std::uint64_t damaged_index_bytes = 0;  // passed over in the index
};

struct SearchOutcome {
    // 0 when rows were found; 18 when nothing matched; 123 when the index
    // cannot be read (then nothing else is filled).
    int message_code = 0;
    std::vector<SearchRow> rows;
    std::vector<StatisticsRow> statistics;
    // Set when smart search was asked for but no dictionary could be used;
    // the search then ran with the words alone.
    std::string smart_search_problem;
    SearchCounts counts;
};

// The Information column of a record line: by type 2 and 3 "Name: " +
// caller + " ---> Number: " + number; 4 "Diary Date: " + diary date +
// " ---> Subject: " + subject; 0, 1, 5, 9 and 11 to 16 "Subject: " +
// subject; any other "No Details Available".
std::string InformationText(const recordstore::RecordLine& line);

class RecordSearch {
public:
    // file_system must outlive the search.
    RecordSearch(filesystem::FileSystem& file_system, std::string working_folder);

    // thesaurus may be null: a smart search then reports that no
    // dictionary is installed and searches with the words alone.
    SearchOutcome Run(const SearchCriteria& criteria, thesaurus::Thesaurus* thesaurus) const;

private:
    filesystem::FileSystem& file_system_;
    std::string working_folder_;
};

}  // namespace kivo::search
