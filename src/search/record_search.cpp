#include "kivo/search/record_search.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <unordered_map>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/search/record_line_reader.h"
#include "kivo/search/search_text.h"
#include "kivo/search/variant_matcher.h"
#include "kivo/thesaurus/qlwn.h"
#include "kivo/thesaurus/thesaurus.h"
#include "zn2srch.h"

namespace kivo::search {
namespace {

namespace field = recordstore::record_field;

// Index fields (docs/formats/record-index.md).
constexpr int kNumberField = 0;
constexpr int kKindField = 1;
constexpr int kDateField = 2;
constexpr int kKeywordsField = 3;
constexpr int kCommentsField = 4;
constexpr int kPositionField = 9;

template <typename Number>
bool ParseDecimal(std::string_view text, Number* value) {
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, *value);
    return parsed.ec == std::errc() && parsed.ptr == end;
}

// An entry that passed the area, date and keyword tests.
struct Candidate {
    std::size_t ordinal = 0;  // of the entry in the index
    std::int32_t record_number = 0;
    std::string kind_code;
    std::string date_text;
    std::int32_t date = 0;
    std::uint64_t position = 0;
    std::optional<VariantMatch> match;  // none when there are no words
};

// The fields of an entry, cut at its tabs in one pass (missing ones empty).
using EntryFields = std::array<std::string_view, recordstore::kIndexFieldCount>;

EntryFields SplitEntry(std::string_view entry) {
    // The entry ends at its line feed or at a NUL, whichever comes first
    // (two scans: a set of two characters would be searched byte by byte).
    for (const char end_byte : {'\n', '\0'}) {
        const std::size_t end = entry.find(end_byte);
        if (end != std::string_view::npos)
            entry = entry.substr(0, end);
    }
    EntryFields fields;
    std::size_t start = 0;
    for (std::size_t n = 0; n < fields.size(); ++n) {
        const std::size_t tab = entry.find(recordstore::kIndexFieldSeparator, start);
        fields[n] =
            entry.substr(start, tab == std::string_view::npos ? entry.size() - start : tab - start);
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A stored keyword text as the matcher reads it: ASCII as it is when the
// matcher reads it in any case, else made searchable into *buffer.
std::string_view MatcherText(std::string_view stored, const VariantMatcher& matcher,
                             std::string* buffer) {
    if (matcher.ReadsAsciiInAnyCase() && IsAscii(stored))
        return stored;
    SearchableTextInto(stored, buffer);
    return *buffer;
}

std::string FormatDate(const std::string& index_date) {
    char out[ZN2_FORMAT_DATE_BUFFER_BYTES];
    return Zn2FormatDate(index_date.c_str(), out);
}

// "00000042": the number with zeros in front to eight digits.
std::string RecordIdText(std::int32_t number) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    std::string id(length < 8 ? 8 - length : 0, '0');
    id.append(digits, length);
    return id;
}

SearchRow MakeRow(const Candidate& entry, const recordstore::RecordLine& line) {
    SearchRow row;
    row.id = RecordIdText(entry.record_number);
    row.date = FormatDate(entry.date_text);
    row.information = InformationText(line);
    row.record_number = entry.record_number;
    row.kind_code = entry.kind_code;
    row.recording_file = line.FieldText(field::kContainerName);
    row.locked = !line.StoredField(field::kLock).empty();
    row.log_offset = entry.position;
    row.date_order = entry.date;
    return row;
}

}  // namespace

std::string InformationText(const recordstore::RecordLine& line) {
    const auto type = RecordTypeOf(line.StoredField(field::kKindCode));
    const int t = type.value_or(-1);
    if (t == 2 || t == 3) {
        return "Name: " + line.DisplayField(field::kTextA) +
               " ---> Number: " + line.DisplayField(field::kSubject);
    }
    if (t == 4) {
        return "Diary Date: " + line.DisplayField(field::kTextA) +
               " ---> Subject: " + line.DisplayField(field::kSubject);
    }
    if (t == 0 || t == 1 || t == 5 || t == 9 || (t >= 11 && t <= 16))
        return "Subject: " + line.DisplayField(field::kSubject);
    return "No Details Available";
}

std::vector<std::string> ResultTexts(const SearchRow& row) {
    return {row.id, row.date, row.information};
}

RecordSearch::RecordSearch(filesystem::FileSystem& file_system, std::string working_folder)
    : file_system_(file_system), working_folder_(std::move(working_folder)) {}

SearchOutcome RecordSearch::Run(const SearchCriteria& criteria,
                                thesaurus::Thesaurus* thesaurus) const {
    SearchOutcome outcome;
    SearchWords words = SearchWords::FromKeywordText(criteria.keywords);
    if (criteria.smart && !words.empty()) {
        if (thesaurus != nullptr)
            words.Widen(*thesaurus);
        else
            outcome.smart_search_problem = thesaurus::kNoDictionaryText;
    }

    // Pass 1: area, date and keywords of every entry, and which entry of
    // each record is its last. All the words' variants are looked for in
    // one pass over each text; texts that are not plain ASCII are first made
    // searchable into buffers that are reused from entry to entry.
    const VariantMatcher matcher(words);
    std::vector<Candidate> candidates;
    std::unordered_map<std::int32_t, std::size_t> last_entry;
    last_entry.reserve(1 << 16);
    std::string keywords, comments;
    std::size_t ordinal = 0;
    recordstore::RecordIndex index(
        file_system_, filesystem::JoinPath(working_folder_, std::string(recordstore::kIndexName)));
    recordstore::IndexScan scan;
    const auto status = index.ForEachEntry(
        [&](std::string_view entry) {
            ++ordinal;
            const EntryFields fields = SplitEntry(entry);
            std::int32_t number = 0;
            if (!ParseDecimal(fields[kNumberField], &number) || number <= 0)
                return true;
            last_entry[number] = ordinal;
            const auto type = RecordTypeOf(fields[kKindField]);
            if (!type || !AreaAccepts(criteria.area, *type))
                return true;
            Candidate candidate;
            if (!ParseDecimal(fields[kDateField], &candidate.date) ||
                candidate.date < criteria.from_date || candidate.date > criteria.to_date ||
                !ParseDecimal(fields[kPositionField], &candidate.position)) {
                return true;
            }
            if (!words.empty()) {
                candidate.match =
                    matcher.FirstMatch(MatcherText(fields[kKeywordsField], matcher, &keywords),
                                       MatcherText(fields[kCommentsField], matcher, &comments));
                if (!candidate.match)
                    return true;
            }
            candidate.ordinal = ordinal;
            candidate.record_number = number;
            candidate.kind_code = fields[kKindField];
            candidate.date_text = fields[kDateField];
            candidates.push_back(std::move(candidate));
            return true;
        },
        &scan);
    if (!status.ok()) {
        outcome.message_code = kIndexMissingMessage;
        return outcome;
    }
    outcome.counts.entries_read = ordinal;
    outcome.counts.damaged_index_bytes = scan.unreadable_bytes;

    // Pass 2: the record lines of the passing entries, read in the order of
    // the logs; the rows are then listed in the order of the index.
    std::vector<LineRequest> requests;
    std::vector<std::size_t> requested;  // the candidate of each request
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        const Candidate& candidate = candidates[c];
        if (last_entry[candidate.record_number] != candidate.ordinal)
            continue;
        requests.push_back({candidate.record_number, candidate.kind_code, candidate.position});
        requested.push_back(c);
    }
    outcome.counts.entries_passed = requests.size();
    std::vector<SearchRow> rows(requests.size());
    std::vector<bool> listed(requests.size(), false);
    RecordLineReader reader(file_system_, working_folder_);
    reader.ReadMany(
        requests, [&](std::size_t request, LineLookup lookup, const recordstore::RecordLine& line) {
            switch (lookup) {
                case LineLookup::kBad:
                    ++outcome.counts.lines_bad;
                    return;
                case LineLookup::kLost:
                    ++outcome.counts.lines_lost;
                    return;
                case LineLookup::kFound:
                    break;
            }
            const Candidate& candidate = candidates[requested[request]];
            if (candidate.match)
                words.Count(*candidate.match);
            rows[request] = MakeRow(candidate, line);
            listed[request] = true;
        });
    outcome.rows.reserve(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (listed[r])
            outcome.rows.push_back(std::move(rows[r]));
    }
    outcome.statistics = words.Statistics();
    if (outcome.rows.empty())
        outcome.message_code = kNothingFoundMessage;
    return outcome;
}

}  // namespace kivo::search
