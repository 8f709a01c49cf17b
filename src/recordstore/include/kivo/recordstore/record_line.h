// RecordLine: one record as its 401-byte record line.
//
// The line is 400 bytes of text and a line feed. The text is a sequence of
// fields separated by single spaces, numbered from 1 (an empty field still
// counts), then spaces up to 400 bytes. A space inside a field is stored as
// the byte 0xAC. Field 1 is the record number as eight digits, field 2 the
// kind code. Layout: docs/formats/record-line.md.
//
// The builders write fields 1 to 14 and one space after the last; the
// rewrite after an edit writes the first 14 words and ten empty ones. A line
// is never longer or shorter than 401 bytes: when the fields would pass 400
// bytes, the free-text fields are shortened (subject first, then fields 3
// and 4) at a character boundary, and the build result says so.
//
// Reading and writing ".xrl" files goes through the FileSystem given; the
// overloads without one use the machine's (filesystem::DefaultFileSystem()).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore {

inline constexpr std::size_t kRecordLineBytes = 401;
inline constexpr std::size_t kRecordLineTextBytes = 400;
inline constexpr int kBuilderFieldCount = 14;
inline constexpr int kRewriteWordCount = 24;

// Byte limits of the free-text fields (cut at a character boundary).
inline constexpr std::size_t kSubjectMaxBytes = 149;
inline constexpr std::size_t kMeetingCostMaxBytes = 19;
inline constexpr std::size_t kPartyNameMaxBytes = 50;

// Field 1 of the header line that opens every record log, and of a line
// erased by deletion. Readers take as records only 1 <= number < 99999999.
inline constexpr std::int32_t kHeaderRecordNumber = 0;
inline constexpr std::int32_t kErasedRecordNumber = 99999999;

// Field numbers.
namespace record_field {
inline constexpr int kRecordNumber = 1;
inline constexpr int kKindCode = 2;
inline constexpr int kTextA = 3;    // meeting cost, other party's name, diary date, "0"
inline constexpr int kTextB = 4;    // call cost, diary time, translation list entry
inline constexpr int kSubject = 5;  // phone calls: the phone number
inline constexpr int kLock = 6;
inline constexpr int kContainerName = 7;
inline constexpr int kStartDate = 8;
inline constexpr int kStartTime = 9;
inline constexpr int kEndDate = 10;
inline constexpr int kEndTime = 11;
inline constexpr int kDuration = 12;
inline constexpr int kKindNumber = 13;  // diary reminder 0/1/2; "7" for answered calls
inline constexpr int kRecordingQuality = 14;
}  // namespace record_field

// Kind codes (field 2).
namespace kind_code {
inline constexpr const char* kMessage = "0";
inline constexpr const char* kMeeting = "1";
inline constexpr const char* kAnsweredCall = "2";
inline constexpr const char* kRecordedCall = "3";
inline constexpr const char* kDiary = "4";
inline constexpr const char* kWaveMessage = "5";
inline constexpr const char* kVideo = "9";
inline constexpr const char* kTranslationEnglish = "11";  // to "16" Portuguese
}  // namespace kind_code

// The record log of a kind code: "Voxwren.xrr", ".xrm", ".xrp", ".xrd";
// nullptr for a code that has none.
const char* RecordLogNameForKind(std::string_view kind_code);

// Fields 1 to 14 of a record, in plain form: UTF-8 with real spaces.
struct RecordFields {
    std::int32_t record_number = 0;
    std::string kind_code;
    std::string text_a;                   // 3
    std::string text_b;                   // 4
    std::string subject;                  // 5
    std::string lock;                     // 6: empty = may be edited
    std::string container_name;           // 7: "D" + stamp + ".xrz" / ".xrv"
    std::string start_date;               // 8
    std::string start_time;               // 9
    std::string end_date;                 // 10
    std::string end_time;                 // 11
    std::string duration;                 // 12: "hh:mm:ss"
    std::string kind_number;              // 13: decimal text or empty
    std::string recording_quality = "0";  // 14: decimal text
};

class RecordLine;

struct RecordLineBuild {
    Status status;           // not ok: fields 1, 2 and 6 to 14 alone pass 400 bytes
    bool shortened = false;  // a free-text field was cut to fit
    std::string bytes;       // the 401 bytes when status is ok
};

class RecordLine {
public:
    // Builds a new record's line (fields 1 to 14, then one space, then
    // padding). Spaces and control bytes in fields become 0xAC; the subject
    // is cut to 149 bytes, a meeting's cost to 19 and a caller's name to 50.
    static RecordLineBuild Build(const RecordFields& fields);

    // The line as written back after an edit: fields 1 to 14 and ten empty
    // words, joined by single spaces, then padding. Same shortening as Build.
    static RecordLineBuild BuildRewrite(const RecordFields& fields);

    // "00000000 " and spaces to 400 bytes, then a line feed.
    static std::string HeaderLine();

    // Takes exactly 401 bytes ending with a line feed, with no line feed,
    // carriage return or NUL among the first 400. Anything else is kCorrupt
    // and *line is left unchanged.
    static Status Parse(std::string_view bytes, RecordLine* line);

    // Reads the first 401 bytes of a record-line (".xrl") file; bytes after
    // them (a meeting's agenda) are not read.
    static Status ReadFile(filesystem::FileSystem& file_system, const std::string& path,
                           RecordLine* line);
    static Status ReadFile(const std::string& path, RecordLine* line);

    // Writes the 401 bytes as the whole file (replacing it through a
    // temporary file beside it).
    Status WriteFile(filesystem::FileSystem& file_system, const std::string& path) const;
    Status WriteFile(const std::string& path) const;

    // Field 1 of a line's bytes as a number, whether or not the rest of the
    // line is well formed (for scans that must also pass torn or damaged
    // lines on); -1 when it is not one to nine decimal digits.
    static std::int32_t NumberOf(std::string_view bytes);
    // Field n of a line's bytes as stored (0xAC kept), whether or not the
    // line is well formed; only the first 400 bytes are read.
    static std::string_view StoredFieldOf(std::string_view bytes, int n);

    // Field 1 as a number; -1 when it is not one to nine decimal digits.
    std::int32_t record_number() const { return record_number_; }
    // True for the line of a live record: 1 <= number < 99999999.
    bool IsRecord() const { return record_number_ >= 1 && record_number_ < kErasedRecordNumber; }

    // Field n as stored (0xAC kept); empty past the last field.
    std::string_view StoredField(int n) const;
    // Field n with spaces restored (UTF-8 as stored; see DisplayText).
    std::string FieldText(int n) const;
    // Field n ready for the screen: spaces restored, Windows-1252 decoded.
    std::string DisplayField(int n) const;
    // A stored field (one of StoredFields) ready for the screen, as DisplayField.
    static std::string DisplayOf(std::string_view stored);

    // Fields 1 to 14 as stored, found in one pass: element n is
    // StoredField(n) (element 0 is empty). For readers that want many fields
    // of many lines, such as the record lists.
    using StoredFieldViews = std::array<std::string_view, kBuilderFieldCount + 1>;
    StoredFieldViews StoredFields() const;

    // Fields 1 to 14 in plain form.
    RecordFields Fields() const;

    // The 24-word form of this line (first 14 words, ten empty ones).
    RecordLine Rewritten() const;

    // The 401 bytes.
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::int32_t record_number_ = -1;
};

}  // namespace kivo::recordstore
