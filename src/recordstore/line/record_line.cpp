// RecordLine: building, parsing and rewriting the 401-byte record line.
#include "kivo/recordstore/record_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/text_encoding.h"
#include "kivo/recordstore/words.h"
#include "line/file_access.h"

namespace kivo::recordstore {
namespace {

// Fields 3, 4 and 5 may be shortened to fit, in this order.
constexpr std::array<int, 3> kShortenableFields = {record_field::kSubject, record_field::kTextA,
                                                   record_field::kTextB};

// The offset of the first line feed, carriage return or NUL; npos if none.
// (Three memchr passes over 400 bytes cost less than one test per byte.)
std::size_t FirstLineBreakOrNul(std::string_view text) {
    std::size_t first = std::string_view::npos;
    for (const char byte : {'\n', '\r', '\0'}) {
        const void* found = std::memchr(text.data(), byte, text.size());
        if (found != nullptr) {
            first = std::min(
                first, static_cast<std::size_t>(static_cast<const char*>(found) - text.data()));
        }
    }
    return first;
}

// Text whose bytes are ASCII or stored spaces: shown with the spaces restored
// and nothing else changed (0xAC alone is no UTF-8 character).
bool IsAsciiWithStoredSpaces(std::string_view stored) {
    for (const char byte : stored) {
        if (static_cast<unsigned char>(byte) >= 0x80 && byte != kStoredSpace)
            return false;
    }
    return true;
}

bool IsPhoneKind(std::string_view code) {
    return code == kind_code::kAnsweredCall || code == kind_code::kRecordedCall;
}

// The plain value of field n (2..14) of the fields, with the limits of its
// kind already applied.
std::array<std::string, kBuilderFieldCount + 1> PlainValues(const RecordFields& fields,
                                                            bool* shortened) {
    std::array<std::string, kBuilderFieldCount + 1> values;
    const auto limited = [&](const std::string& text, std::size_t max_bytes) {
        const std::string_view cut = CutAtCharBoundary(text, max_bytes);
        *shortened = *shortened || cut.size() != text.size();
        return std::string(cut);
    };
    values[record_field::kKindCode] = fields.kind_code;
    values[record_field::kTextA] = fields.text_a;
    if (fields.kind_code == kind_code::kMeeting) {
        values[record_field::kTextA] = limited(fields.text_a, kMeetingCostMaxBytes);
    } else if (IsPhoneKind(fields.kind_code)) {
        values[record_field::kTextA] = limited(fields.text_a, kPartyNameMaxBytes);
    }
    values[record_field::kTextB] = fields.text_b;
    values[record_field::kSubject] = limited(fields.subject, kSubjectMaxBytes);
    values[record_field::kLock] = fields.lock;
    values[record_field::kContainerName] = fields.container_name;
    values[record_field::kStartDate] = fields.start_date;
    values[record_field::kStartTime] = fields.start_time;
    values[record_field::kEndDate] = fields.end_date;
    values[record_field::kEndTime] = fields.end_time;
    values[record_field::kDuration] = fields.duration;
    values[record_field::kKindNumber] = fields.kind_number;
    values[record_field::kRecordingQuality] = fields.recording_quality;
    return values;
}

std::size_t JoinedBytes(const std::array<std::string, kBuilderFieldCount + 1>& values) {
    std::size_t bytes = 8;  // the record number
    for (int field = 2; field <= kBuilderFieldCount; ++field) {
        bytes += 1 + values[field].size();
    }
    return bytes;
}

std::string PaddedLine(std::string text) {
    text.resize(kRecordLineTextBytes, ' ');
    text.push_back('\n');
    return text;
}

RecordLineBuild BuildLine(const RecordFields& fields, int trailing_empty_words) {
    RecordLineBuild build;
    if (fields.record_number < 0 || fields.record_number > kErasedRecordNumber) {
        build.status = Status::InvalidArgument("record number outside 0..99999999");
        return build;
    }
    auto values = PlainValues(fields, &build.shortened);
    // At least one space must follow the last field.
    constexpr std::size_t kMaxFieldBytes = kRecordLineTextBytes - 1;
    for (const int field : kShortenableFields) {
        const std::size_t joined = JoinedBytes(values);
        if (joined <= kMaxFieldBytes) {
            break;
        }
        const std::size_t excess = joined - kMaxFieldBytes;
        std::string& value = values[field];
        const std::size_t keep = value.size() > excess ? value.size() - excess : 0;
        value = std::string(CutAtCharBoundary(value, keep));
        build.shortened = true;
    }
    if (JoinedBytes(values) > kMaxFieldBytes) {
        build.status =
            Status::InvalidArgument("the fixed fields of the record line alone pass 400 bytes");
        build.shortened = false;
        return build;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%08d", static_cast<int>(fields.record_number));
    std::string text = number;
    for (int field = 2; field <= kBuilderFieldCount; ++field) {
        text.push_back(' ');
        text += StoreSpaces(values[field]);
    }
    text.append(static_cast<std::size_t>(trailing_empty_words), ' ');
    if (text.size() > kRecordLineTextBytes) {
        text.resize(kRecordLineTextBytes);  // only separators of empty words are cut
    }
    build.bytes = PaddedLine(std::move(text));
    return build;
}

std::int32_t RecordNumberOf(std::string_view word) {
    if (word.empty() || word.size() > 9) {
        return -1;
    }
    // Digits only: from_chars alone would take a leading minus sign, and a
    // line from another machine saying "-0000005" would carry a negative
    // record number.
    if (word.find_first_not_of("0123456789") != std::string_view::npos) {
        return -1;
    }
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (error != std::errc() || end != word.data() + word.size()) {
        return -1;
    }
    return number;
}

}  // namespace

const char* RecordLogNameForKind(std::string_view code) {
    // The layout's names are views of string literals, so data() ends in NUL.
    if (code == "0" || code == "5" || code == "9") {
        return kMessageLogName.data();
    }
    if (code.size() == 2 && code[0] == '1' && code[1] >= '1' && code[1] <= '6') {
        return kMessageLogName.data();
    }
    if (code == "1") {
        return kMeetingLogName.data();
    }
    if (code == "2" || code == "3") {
        return kPhoneLogName.data();
    }
    if (code == "4") {
        return kDiaryLogName.data();
    }
    return nullptr;
}

RecordLineBuild RecordLine::Build(const RecordFields& fields) {
    return BuildLine(fields, 1);
}

RecordLineBuild RecordLine::BuildRewrite(const RecordFields& fields) {
    return BuildLine(fields, kRewriteWordCount - kBuilderFieldCount);
}

std::string RecordLine::HeaderLine() {
    return PaddedLine("00000000 ");
}

Status RecordLine::Parse(std::string_view bytes, RecordLine* line) {
    if (bytes.size() != kRecordLineBytes) {
        return Status::Corrupt("a record line is 401 bytes, not " + std::to_string(bytes.size()));
    }
    if (bytes.back() != '\n') {
        return Status::Corrupt("the record line does not end with a line feed");
    }
    if (const std::size_t bad = FirstLineBreakOrNul(bytes.substr(0, kRecordLineTextBytes));
        bad != std::string_view::npos) {
        return Status::Corrupt("the record line holds a line break or NUL at byte " +
                               std::to_string(bad));
    }
    line->bytes_.assign(bytes);
    line->record_number_ = NumberOf(bytes);
    return Status::Ok();
}

std::int32_t RecordLine::NumberOf(std::string_view bytes) {
    return RecordNumberOf(StoredFieldOf(bytes, record_field::kRecordNumber));
}

std::string_view RecordLine::StoredFieldOf(std::string_view bytes, int n) {
    return WordAt(bytes.substr(0, kRecordLineTextBytes), n);
}

Status RecordLine::ReadFile(const std::string& path, RecordLine* line) {
    return ReadFile(filesystem::DefaultFileSystem(), path, line);
}

Status RecordLine::ReadFile(filesystem::FileSystem& file_system, const std::string& path,
                            RecordLine* line) {
    std::string bytes;
    Status status = file_access::ReadPrefix(file_system, path, kRecordLineBytes, &bytes);
    if (!status.ok()) {
        return status;
    }
    status = Parse(bytes, line);
    if (!status.ok()) {
        return Status::Corrupt(path + ": " + status.message());
    }
    return Status::Ok();
}

Status RecordLine::WriteFile(const std::string& path) const {
    return WriteFile(filesystem::DefaultFileSystem(), path);
}

Status RecordLine::WriteFile(filesystem::FileSystem& file_system, const std::string& path) const {
    if (bytes_.size() != kRecordLineBytes) {
        return Status::InvalidArgument("no record line to write");
    }
    return file_access::ReplaceFile(file_system, path, bytes_);
}

std::string_view RecordLine::StoredField(int n) const {
    return StoredFieldOf(bytes_, n);
}

std::string RecordLine::FieldText(int n) const {
    return RestoreSpaces(StoredField(n));
}

std::string RecordLine::DisplayField(int n) const {
    return DisplayOf(StoredField(n));
}

std::string RecordLine::DisplayOf(std::string_view stored) {
    if (IsAsciiWithStoredSpaces(stored)) {
        std::string text(stored);
        std::replace(text.begin(), text.end(), kStoredSpace, ' ');
        return text;
    }
    return DisplayText(RestoreSpaces(stored));
}

RecordLine::StoredFieldViews RecordLine::StoredFields() const {
    StoredFieldViews fields;
    const std::string_view text = std::string_view(bytes_).substr(0, kRecordLineTextBytes);
    std::size_t start = 0;
    for (int n = 1; n <= kBuilderFieldCount && start <= text.size(); ++n) {
        const std::size_t space = text.find(' ', start);
        const std::size_t end = space == std::string_view::npos ? text.size() : space;
        fields[n] = text.substr(start, end - start);
        start = end + 1;
    }
    return fields;
}

RecordFields RecordLine::Fields() const {
    RecordFields fields;
    fields.record_number = record_number_;
    fields.kind_code = FieldText(record_field::kKindCode);
    fields.text_a = FieldText(record_field::kTextA);
    fields.text_b = FieldText(record_field::kTextB);
    fields.subject = FieldText(record_field::kSubject);
    fields.lock = FieldText(record_field::kLock);
    fields.container_name = FieldText(record_field::kContainerName);
    fields.start_date = FieldText(record_field::kStartDate);
    fields.start_time = FieldText(record_field::kStartTime);
    fields.end_date = FieldText(record_field::kEndDate);
    fields.end_time = FieldText(record_field::kEndTime);
    fields.duration = FieldText(record_field::kDuration);
    fields.kind_number = FieldText(record_field::kKindNumber);
    fields.recording_quality = FieldText(record_field::kRecordingQuality);
    return fields;
}

RecordLine RecordLine::Rewritten() const {
    const std::string_view text =
        std::string_view(bytes_).substr(0, bytes_.empty() ? 0 : kRecordLineTextBytes);
    std::string rewritten;
    const auto words = SplitWords(text, kBuilderFieldCount);
    for (int word = 0; word < kBuilderFieldCount; ++word) {
        if (word > 0) {
            rewritten.push_back(' ');
        }
        if (static_cast<std::size_t>(word) < words.size()) {
            rewritten.append(words[static_cast<std::size_t>(word)]);
        }
    }
    rewritten.append(kRewriteWordCount - kBuilderFieldCount, ' ');
    if (rewritten.size() > kRecordLineTextBytes) {
        rewritten.resize(kRecordLineTextBytes);
    }
    RecordLine line;
    line.bytes_ = PaddedLine(std::move(rewritten));
    line.record_number_ = record_number_;
    return line;
}

}  // namespace kivo::recordstore
