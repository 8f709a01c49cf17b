// The record files' fuzz entry (see record_files_fuzz_entry.h).
#include "record_files_fuzz_entry.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_files.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/recordstore/text_encoding.h"

namespace kivo::fuzz {
namespace {

namespace fs = std::filesystem;
using namespace kivo::recordstore;
using Bytes = std::vector<std::uint8_t>;

// Record-log lines looked up again by number; each lookup scans the log.
constexpr std::size_t kMaxLookups = 8;
// Fields of a record line looked at; the line has at most 400.
constexpr int kFieldsLookedAt = 40;

const FuzzFolder& Folder() {
    static const FuzzFolder folder;
    return folder;
}

fs::path InFolder(const char* name) {
    return fs::path(Folder().path()) / name;
}

bool SameMark(const IndexMark& a, const IndexMark& b) {
    return a.time_stamp == b.time_stamp && a.comment == b.comment && a.type == b.type;
}

void CheckIndexMarks(const Bytes& file) {
    const fs::path path = InFolder("D20260101000000.xrs");
    WriteWhole(path, file);
    IndexMarkRead read;
    Require(ReadIndexMarkFile(path.string(), &read).ok(), "an index-mark file is read");
    const std::size_t entries = file.size() / kIndexMarkEntryBytes;
    Require(read.marks.size() == std::min(entries, kMaxIndexMarks),
            "every complete entry up to 5000 is a mark");
    Require(read.torn_tail_bytes == file.size() % kIndexMarkEntryBytes,
            "the torn tail is the bytes after the last complete entry");
    Require(read.truncated == (entries > kMaxIndexMarks), "only more than 5000 entries truncate");

    std::vector<IndexMark> written;
    for (const IndexMark& mark : read.marks) {
        Require(mark.time_stamp.find('\0') == std::string::npos &&
                    mark.comment.find('\0') == std::string::npos,
                "a NUL ends the text of an entry");
        Require(mark.time_stamp.size() + mark.comment.size() <= kIndexMarkEntryBytes,
                "a mark is no longer than its entry");
        for (const IndexMarkStyle style :
             {IndexMarkStyle::kWithType, IndexMarkStyle::kWithoutType}) {
            const std::string entry = EncodeIndexMarkEntry(mark, style);
            Require(entry.size() == kIndexMarkEntryBytes, "an encoded entry is 61 bytes");
            const IndexMark again = DecodeIndexMarkEntry(entry);
            Require(again.comment.size() <= kIndexMarkCommentMaxBytes,
                    "a written comment is at most 50 bytes");
            Require(EncodeIndexMarkEntry(again, style) == entry,
                    "a mark written, read and written again gives the same entry");
            if (style == IndexMarkStyle::kWithType) {
                Require(again.type == mark.type, "the type survives writing");
                written.push_back(again);
            }
        }
    }

    const fs::path copy = InFolder("copy.xrs");
    Require(WriteIndexMarkFile(copy.string(), read.marks).ok(), "marks that were read are written");
    IndexMarkRead reread;
    Require(ReadIndexMarkFile(copy.string(), &reread).ok(), "written marks are read");
    Require(fs::file_size(copy) == read.marks.size() * kIndexMarkEntryBytes,
            "written marks are whole entries");
    Require(std::equal(reread.marks.begin(), reread.marks.end(), written.begin(), written.end(),
                       SameMark),
            "the file holds the marks as written");
    fs::remove(copy);
    fs::remove(path);

    const std::string joined = JoinMarkComments(read.marks);
    Require(!joined.empty() && joined.size() <= kMarkCommentsMaxBytes,
            "the joined comments are 1 to 5000 bytes");
}

bool IsRecordLineText(std::string_view bytes) {
    return bytes.size() == kRecordLineBytes && bytes.back() == '\n' &&
           bytes.substr(0, kRecordLineTextBytes).find_first_of(std::string_view("\n\r\0", 3)) ==
               std::string_view::npos;
}

// The record number field 1 promises: its value when it is one to nine
// decimal digits, else -1.
std::int32_t ExpectedRecordNumber(std::string_view word) {
    if (word.empty() || word.size() > 9)
        return -1;
    std::int32_t number = 0;
    for (const char c : word) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

void CheckParsedLine(const RecordLine& line) {
    const std::int32_t number = line.record_number();
    Require(number == ExpectedRecordNumber(line.StoredField(record_field::kRecordNumber)),
            "the record number is field 1 when that is one to nine digits, else -1");
    Require(line.IsRecord() == (number >= 1 && number < kErasedRecordNumber),
            "a live record has a number from 1 to 99999998");
    for (int n = 0; n <= kFieldsLookedAt; ++n) {
        Require(line.FieldText(n).size() == line.StoredField(n).size(),
                "restoring spaces keeps a field's length");
        Require(IsValidUtf8(line.DisplayField(n)), "a field for the screen is valid UTF-8");
    }

    const RecordLine rewritten = line.Rewritten();
    RecordLine reparsed;
    Require(RecordLine::Parse(rewritten.bytes(), &reparsed).ok(), "a rewritten line parses");
    Require(reparsed.record_number() == number, "rewriting keeps the record number");
    for (int n = 1; n <= kFieldsLookedAt; ++n) {
        Require(rewritten.StoredField(n) ==
                    (n <= kBuilderFieldCount ? line.StoredField(n) : std::string_view()),
                "rewriting keeps the first 14 fields and empties the rest");
    }

    const RecordFields fields = line.Fields();
    const RecordLineBuild build = RecordLine::Build(fields);
    const RecordLineBuild rewrite = RecordLine::BuildRewrite(fields);
    Require(build.status.ok() == rewrite.status.ok(), "build and rewrite agree on refusing");
    if (!build.status.ok()) {
        Require(build.status.code() == Status::Code::kInvalidArgument && build.bytes.empty(),
                "a refused build gives no line");
        return;
    }
    Require(fields.record_number >= 0 && fields.record_number <= kErasedRecordNumber,
            "only a record number of 0 to 99999999 is built");
    RecordLine built;
    Require(RecordLine::Parse(build.bytes, &built).ok(), "a built line parses");
    Require(built.record_number() == fields.record_number, "a built line keeps its number");
    if (!build.shortened) {
        Require(RecordLine::Build(built.Fields()).bytes == build.bytes,
                "a line built from a built line's fields is the same line");
    }
}

void CheckRecordLineFile(const Bytes& file) {
    const fs::path path = InFolder("D20260101000000.xrl");
    WriteWhole(path, file);
    RecordLine line;
    Require(RecordLine::Parse(RecordLine::HeaderLine(), &line).ok(), "the header line parses");
    const Status status = RecordLine::ReadFile(path.string(), &line);
    fs::remove(path);
    const std::string_view prefix(reinterpret_cast<const char*>(file.data()),
                                  std::min(file.size(), kRecordLineBytes));
    Require(status.ok() == IsRecordLineText(prefix),
            "a line is taken exactly when its first 401 bytes are a record line");
    if (!status.ok()) {
        Require(!status.message().empty(), "a refused line says why");
        Require(line.bytes() == RecordLine::HeaderLine(),
                "a refused line leaves the line as it was");
        return;
    }
    Require(line.bytes() == prefix, "the line is the file's first 401 bytes");
    CheckParsedLine(line);
}

void CheckRecordLog(const Bytes& file) {
    const fs::path path = InFolder("Voxwren.xrr");
    WriteWhole(path, file);
    std::vector<RecordLogEntry> records;
    RecordLogScan scan;
    Require(RecordLog::ReadAll(path.string(), &records, &scan).ok(), "a record log is read");
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    const std::size_t lines = file.size() / kRecordLineBytes;
    Require(scan.complete_lines == lines && scan.torn_tail_bytes == file.size() % kRecordLineBytes,
            "the scan counts every complete line and the torn tail");

    std::vector<std::uint64_t> record_offsets;
    std::uint64_t malformed = 0;
    for (std::size_t i = 0; i < lines; ++i) {
        RecordLine line;
        if (!RecordLine::Parse(text.substr(i * kRecordLineBytes, kRecordLineBytes), &line).ok()) {
            ++malformed;
        } else if (line.IsRecord()) {
            record_offsets.push_back(i * kRecordLineBytes);
        }
    }
    Require(scan.malformed_lines == malformed, "every line that is not a record line is counted");
    Require(records.size() == record_offsets.size(), "every live record is visited once");
    for (std::size_t i = 0; i < records.size(); ++i) {
        Require(records[i].offset_bytes == record_offsets[i], "records come in file order");
        Require(records[i].line.bytes() == text.substr(records[i].offset_bytes, kRecordLineBytes),
                "a record is the bytes at its offset");
    }
    for (std::size_t i = 0; i < std::min(records.size(), kMaxLookups); ++i) {
        const std::int32_t number = records[i].line.record_number();
        RecordLogEntry found;
        Require(RecordLog::Find(path.string(), number, &found).ok(), "a listed record is found");
        const auto first = std::find_if(records.begin(), records.end(), [&](const auto& entry) {
            return entry.line.record_number() == number;
        });
        Require(found.offset_bytes == first->offset_bytes, "the first line of a number is found");
    }
    if (!records.empty()) {
        const RecordLine replacement = records.front().line.Rewritten();
        std::uint64_t offset = 0;
        Require(RecordLog::Replace(path.string(), replacement, &offset).ok(),
                "a listed record's line is replaced");
        Bytes expected = file;
        std::copy(replacement.bytes().begin(), replacement.bytes().end(),
                  expected.begin() + static_cast<std::ptrdiff_t>(offset));
        Require(offset == records.front().offset_bytes && ReadWholeFile(path) == expected,
                "replacing a line changes that line and nothing else");
    }
    fs::remove(path);
}

}  // namespace

int FuzzRecordFiles(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Bytes file(data + 1, data + size);
    switch (data[0] % 3) {
        case 0:
            CheckIndexMarks(file);
            break;
        case 1:
            CheckRecordLineFile(file);
            break;
        default:
            CheckRecordLog(file);
            break;
    }
    Require(Folder().CountEntries() == 0, "no file is left behind");
    return 0;
}

}  // namespace kivo::fuzz
