// RecordReport: the text of one record's report, built from the files
// extracted from its container (record line, index marks, and for
// translations the two texts). The Zn2Fmt functions extract the container
// and call this; tests and tools can call it on files directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kivo::format {

inline constexpr const char* kReportFileError = "filerr";
// At most this many index marks are listed.
inline constexpr std::size_t kReportMaxMarks = 5000;

enum class ReportKind { kMessage, kVideo, kTranslation, kMeeting, kPhone, kDiary };

struct ExtractedRecordFiles {
    std::string record_line_path;      // B + ".xrl"
    std::string index_marks_path;      // B + ".xrs"; missing gives no mark lines
    std::string original_text_path;    // B + ".xr1" (translations)
    std::string translated_text_path;  // B + ".xr2" (translations)
};

// The keywords of a record by number (empty when it has none).
using KeywordsLookup = std::function<std::string(std::int32_t record_number)>;

// The report, or "filerr" when the record-line file cannot be read.
std::string FormatRecordReport(ReportKind kind, const ExtractedRecordFiles& files,
                               const KeywordsLookup& keywords);

// The index-mark lines of a report: one "\t%-52s\t%-10s\r\n" line per mark
// (comment, time stamp), sorted by time stamp; empty for a missing file.
std::string FormatIndexMarkLines(const std::string& index_marks_path);

}  // namespace kivo::format
