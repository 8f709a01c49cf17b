// The text of one record's report. Layout: docs/formats/record-report.md.
#include "kivo/format/record_report.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

#include "kivo/format/agenda.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/text_encoding.h"
#include "qldate.h"

namespace kivo::format {
namespace {

namespace field = recordstore::record_field;

// A translation text is read up to this size.
constexpr std::size_t kTextFileMaxBytes = 16u << 20;

// printf's "%-<width>s": the text, then spaces up to width bytes.
std::string LeftAligned(std::string_view text, std::size_t width) {
    std::string aligned(text);
    if (aligned.size() < width) {
        aligned.append(width - aligned.size(), ' ');
    }
    return aligned;
}

// "\t%-52s\t%-10s\r\n"
std::string MarkColumns(std::string_view comment, std::string_view time_stamp) {
    return "\t" + LeftAligned(comment, 52) + "\t" + LeftAligned(time_stamp, 10) + "\r\n";
}

std::string WholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return {};
    }
    const std::streamoff size = file.tellg();
    file.seekg(0);
    std::string text(
        static_cast<std::size_t>(std::clamp<std::streamoff>(size, 0, kTextFileMaxBytes)), '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

const char* Heading(ReportKind kind) {
    switch (kind) {
        case ReportKind::kMessage:
            return "\t\t\t\tDictation Record\r\n\r\n";
        case ReportKind::kVideo:
            return "\t\t\t\tVideo Record\r\n\r\n";
        case ReportKind::kTranslation:
            return "\t\t\t\tTranslation Record\r\n\r\n";
        case ReportKind::kMeeting:
            return "\t\t\t\tMeeting Record\r\n\r\n";
        case ReportKind::kPhone:
            return "\t\t\t\tPhone Record\r\n\r\n";
        case ReportKind::kDiary:
            break;
    }
    return "\t\t\t\tDiary Record\r\n\r\n";
}

// A field as stored (dates, times, numbers), made displayable on its own.
std::string Stored(const recordstore::RecordLine& line, int n) {
    return recordstore::DisplayText(line.StoredField(n));
}

// A text field with its spaces, decoded on its own (UTF-8 or Windows-1252).
std::string Text(const recordstore::RecordLine& line, int n) {
    return line.DisplayField(n);
}

std::string DescriptiveFields(ReportKind kind, const recordstore::RecordLine& line,
                              const ExtractedRecordFiles& files) {
    const std::string start =
        Stored(line, field::kStartDate) + " " + Stored(line, field::kStartTime);
    const std::string end = Stored(line, field::kEndDate) + " " + Stored(line, field::kEndTime);
    const std::string duration = Stored(line, field::kDuration);
    std::string text;
    switch (kind) {
        case ReportKind::kPhone:
            text += "\r\nName\t\t" + Text(line, field::kTextA);
            text += "\r\nPhone Number\t" + Text(line, field::kSubject);
            text += "\r\nCost\t\t" + Text(line, field::kTextB);
            text += "\r\nStart Time\t" + start;
            text += "\r\nEnd Time\t" + end;
            text += "\r\nCall Duration\t" + duration;
            return text;
        case ReportKind::kDiary:
            text += "\r\nSubject\t\t" + Text(line, field::kSubject);
            text += "\r\nDiary Date\t" + Stored(line, field::kTextA);
            text += "\r\nDiary Time\t" + Stored(line, field::kTextB);
            text += std::string("\r\nReminder\t") +
                    (line.StoredField(field::kKindNumber) == "0" ? "Off" : "On");
            break;
        default:
            text += "\r\nSubject\t\t" + Text(line, field::kSubject);
            break;
    }
    text += "\r\nStart Time\t" + start;
    text += "\r\nEnd Time\t" + end;
    text += "\r\nDuration\t" + duration;
    if (kind == ReportKind::kMeeting) {
        text +=
            "\r\n\r\nAgenda\r\n" + recordstore::DisplayText(AgendaPrint(
                                       files.record_line_path, recordstore::kRecordLineBytes, 0));
    }
    return text;
}

std::string TranslationTexts(const ExtractedRecordFiles& files) {
    const std::string rule = LeftAligned(std::string(52, '-'), 52) + "\r\n";
    return "\r\n\r\n" + LeftAligned("Original Text", 52) + "\r\n" + rule +
           recordstore::DisplayText(WholeFile(files.original_text_path)) + "\r\n\r\n" +
           LeftAligned("Translated Text", 52) + "\r\n" + rule +
           recordstore::DisplayText(WholeFile(files.translated_text_path));
}

}  // namespace

std::string FormatIndexMarkLines(const std::string& index_marks_path) {
    recordstore::IndexMarkRead read;
    if (!recordstore::ReadIndexMarkFile(index_marks_path, &read).ok()) {
        return {};
    }
    struct MarkLine {
        std::int64_t key_ms;
        std::string text;
    };
    std::vector<MarkLine> lines;
    lines.reserve(read.marks.size());
    for (const recordstore::IndexMark& mark : read.marks) {
        lines.push_back({conv_duration(mark.time_stamp.c_str()),
                         MarkColumns(recordstore::DisplayText(mark.comment),
                                     recordstore::DisplayText(mark.time_stamp))});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const MarkLine& a, const MarkLine& b) { return a.key_ms < b.key_ms; });
    std::string joined;
    for (const MarkLine& line : lines) {
        joined += line.text;
    }
    return joined;
}

std::string FormatRecordReport(ReportKind kind, const ExtractedRecordFiles& files,
                               const KeywordsLookup& keywords) {
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile(files.record_line_path, &line).ok()) {
        return kReportFileError;
    }
    const std::string number = Stored(line, field::kRecordNumber);
    std::string report = Heading(kind);
    report += "KIVO ID\t\t" + number;
    report += DescriptiveFields(kind, line, files);
    report += "\r\n\r\nKeywords :-\r\n\t";
    if (keywords) {
        report += recordstore::DisplayText(
            keywords(static_cast<std::int32_t>(std::atol(number.c_str()))));
    }
    report += "\r\n\r\nIndex Marks :-\r\n";
    report += MarkColumns("Comments", "Time Stamp");
    report += MarkColumns(std::string(52, '-'), std::string(10, '-'));
    report += FormatIndexMarkLines(files.index_marks_path);
    if (kind == ReportKind::kTranslation) {
        report += TranslationTexts(files);
    }
    // Each field and text was decoded on its own (UTF-8 or Windows-1252),
    // so a Windows-1252 field does not change how a UTF-8 one reads.
    return report;
}

}  // namespace kivo::format
