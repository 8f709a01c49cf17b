// Record lines byte for byte, their fields, the rewrite after an edit, the
// UTF-8 rules, and reading record logs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/recordstore/text_encoding.h"
#include "kivo/recordstore/words.h"
#include "temp_dir.h"

namespace rs = kivo::recordstore;
using kivo::test::TempDir;

namespace {

rs::RecordFields Message(std::int32_t number, const std::string& subject) {
    rs::RecordFields fields;
    fields.record_number = number;
    fields.kind_code = "0";
    fields.text_a = "0";
    fields.subject = subject;
    fields.container_name = "D20240305090702123.xrz";
    fields.start_date = "05/03/2024";
    fields.start_time = "09:07:02";
    fields.end_date = "05/03/2024";
    fields.end_time = "09:08:00";
    fields.duration = "00:00:58";
    fields.recording_quality = "2";
    return fields;
}

std::string Padded(std::string text) {
    text.resize(400, ' ');
    return text + "\n";
}

rs::RecordLine Parsed(const std::string& bytes) {
    rs::RecordLine line;
    const rs::Status status = rs::RecordLine::Parse(bytes, &line);
    EXPECT_TRUE(status.ok()) << status.message();
    return line;
}

std::string BuiltBytes(const rs::RecordFields& fields) {
    const rs::RecordLineBuild build = rs::RecordLine::Build(fields);
    EXPECT_TRUE(build.status.ok()) << build.status.message();
    return build.bytes;
}

}  // namespace

TEST(RecordLineBuild, MessageLineByteForByte) {
    EXPECT_EQ(BuiltBytes(Message(1, "Hello world")),
              Padded("00000001 0 0  Hello\xACworld  D20240305090702123.xrz 05/03/2024 09:07:02 "
                     "05/03/2024 09:08:00 00:00:58  2 "));
}

TEST(RecordLineBuild, DiaryLineCarriesReminderAndTime) {
    rs::RecordFields fields = Message(7, "Dentist");
    fields.kind_code = "4";
    fields.text_a = "12/03/2024";
    fields.text_b = "14:30";
    fields.kind_number = "1";
    fields.recording_quality = "0";
    EXPECT_EQ(BuiltBytes(fields),
              Padded("00000007 4 12/03/2024 14:30 Dentist  D20240305090702123.xrz 05/03/2024 "
                     "09:07:02 05/03/2024 09:08:00 00:00:58 1 0 "));
}

TEST(RecordLineBuild, SubjectWithSpacesNeverShiftsLaterFields) {
    const rs::RecordLine line = Parsed(BuiltBytes(Message(3, "a b  c ")));
    EXPECT_EQ(line.StoredField(rs::record_field::kSubject),
              "a\xAC"
              "b\xAC\xAC"
              "c\xAC");
    EXPECT_EQ(line.FieldText(rs::record_field::kSubject), "a b  c ");
    EXPECT_EQ(line.FieldText(rs::record_field::kContainerName), "D20240305090702123.xrz");
    EXPECT_EQ(line.FieldText(rs::record_field::kRecordingQuality), "2");
}

TEST(RecordLineBuild, ControlCharactersCannotBreakTheLine) {
    const std::string bytes = BuiltBytes(Message(3, "two\nlines\r\0x"));
    ASSERT_EQ(bytes.size(), rs::kRecordLineBytes);
    EXPECT_EQ(bytes.find('\n'), 400u);
    EXPECT_EQ(Parsed(bytes).FieldText(rs::record_field::kSubject), "two lines ");
}

TEST(RecordLineUtf8, SubjectsInFourScriptsRoundTrip) {
    const std::vector<std::string> subjects = {
        "Réunion à l'hôtel de ville, été 2024",
        "Συνάντηση για τον προϋπολογισμό άμεσα",
        "Встреча по бюджету: ОБЪЯВЛЕНИЕ Ь",
        "予算についての会議 日本 本社",
    };
    for (const std::string& subject : subjects) {
        const rs::RecordLine line = Parsed(BuiltBytes(Message(5, subject)));
        EXPECT_EQ(line.Fields().subject, subject);
        EXPECT_EQ(line.DisplayField(rs::record_field::kSubject), subject);
        EXPECT_EQ(line.FieldText(rs::record_field::kContainerName), "D20240305090702123.xrz");
        EXPECT_EQ(line.FieldText(rs::record_field::kRecordingQuality), "2");
    }
}

TEST(RecordLineUtf8, SubjectIsCutTo149BytesAtACharacterBoundary) {
    std::string japanese;
    for (int i = 0; i < 60; ++i) {
        japanese += "本";  // three bytes, ending in 0xAC
    }
    const rs::RecordLineBuild build = rs::RecordLine::Build(Message(5, japanese));
    ASSERT_TRUE(build.status.ok());
    EXPECT_TRUE(build.shortened);
    const std::string subject = Parsed(build.bytes).Fields().subject;
    EXPECT_EQ(subject.size(), 147u);  // 49 characters
    EXPECT_TRUE(rs::IsValidUtf8(subject));
    EXPECT_EQ(japanese.rfind(subject, 0), 0u);
}

TEST(RecordLineUtf8, WindowsLineIsShownAsWindows1252) {
    std::string text = "00000009 0 0  Caf\xE9\xACnoir\xAC\x96\xAC\xE9t\xE9  D1.xrz";
    const rs::RecordLine line = Parsed(Padded(text));
    EXPECT_EQ(line.DisplayField(rs::record_field::kSubject), "Café noir – été");
}

TEST(RecordLineFields, OnePassGivesEveryFieldAsStoredFieldDoes) {
    const std::vector<std::string> lines = {
        BuiltBytes(Message(12, "Budget review with the team")),
        Padded("00000009 0 0  Caf\xE9\xACnoir\xAC\x96\xAC\xE9t\xE9  D1.xrz"),
        Padded("00000003 4 15/06/2024 10:30 Diary\xAC"
               "entry L D3.xrz 15/06/2024 10:30:00 "
               "15/06/2024 10:31:00 00:01:00 2 1 extra words past fourteen"),
        Padded("00000004 0"),
        Padded(""),
        std::string(400, 'x') + "\n",  // one field filling the whole text
    };
    for (const std::string& bytes : lines) {
        rs::RecordLine line;
        ASSERT_TRUE(rs::RecordLine::Parse(bytes, &line).ok());
        const rs::RecordLine::StoredFieldViews fields = line.StoredFields();
        EXPECT_TRUE(fields[0].empty());
        for (int n = 1; n <= rs::kBuilderFieldCount; ++n) {
            EXPECT_EQ(fields[n], line.StoredField(n)) << "field " << n << " of " << bytes;
            EXPECT_EQ(rs::RecordLine::DisplayOf(fields[n]), line.DisplayField(n));
        }
    }
}

TEST(RecordLineUtf8, PlainAsciiIsShownUnchangedAndStoredSpacesStillBecomeSpaces) {
    EXPECT_TRUE(rs::IsAscii("Budget 2024: Q1/Q2 ~ review"));
    EXPECT_TRUE(rs::IsAscii(""));
    EXPECT_FALSE(rs::IsAscii("Budget\xACreview"));
    EXPECT_FALSE(rs::IsAscii("caf\xC3\xA9"));
    EXPECT_EQ(rs::RecordLine::DisplayOf("Budget\xACreview"), "Budget review");
    EXPECT_EQ(rs::RecordLine::DisplayOf("Budget:review"), "Budget:review");
    EXPECT_EQ(rs::RecordLine::DisplayOf("\xAC"
                                        "a\xAC\xAC"
                                        "b\xAC"),
              " a  b ");
    EXPECT_EQ(rs::RecordLine::DisplayOf("caf\xC3\xA9\xACnoir"), "café noir");
    EXPECT_EQ(rs::RecordLine::DisplayOf("caf\xE9\xACnoir"), "café noir");  // Windows-1252
    EXPECT_EQ(rs::RestoreSpaces("a\xAC"
                                "b"),
              "a b");
    EXPECT_EQ(rs::DisplayText("plain text"), "plain text");
}

TEST(RecordLineLimits, TooLongFieldsShortenTheSubjectFirst) {
    rs::RecordFields fields = Message(11, std::string(149, 's'));
    fields.kind_code = "12";
    fields.text_b = std::string(200, 'b');  // a translation list entry
    const rs::RecordLineBuild build = rs::RecordLine::Build(fields);
    ASSERT_TRUE(build.status.ok());
    EXPECT_TRUE(build.shortened);
    ASSERT_EQ(build.bytes.size(), rs::kRecordLineBytes);
    EXPECT_EQ(build.bytes[399], ' ');  // one space still follows the last field
    const rs::RecordFields read = Parsed(build.bytes).Fields();
    EXPECT_EQ(read.text_b, fields.text_b);
    EXPECT_EQ(read.subject, std::string(108, 's'));
    EXPECT_EQ(read.recording_quality, "2");
}

TEST(RecordLineLimits, FreeTextFieldsGiveWayInOrderAndAtCharacterBoundaries) {
    rs::RecordFields fields = Message(11, "σ");
    fields.kind_code = "12";
    fields.text_a = std::string(10, 'a');
    for (int i = 0; i < 180; ++i) {
        fields.text_b += "β";
    }
    const rs::RecordLineBuild build = rs::RecordLine::Build(fields);
    ASSERT_TRUE(build.status.ok());
    EXPECT_TRUE(build.shortened);
    const rs::RecordFields read = Parsed(build.bytes).Fields();
    EXPECT_EQ(read.subject, "");
    EXPECT_EQ(read.text_a, "");
    EXPECT_EQ(read.text_b.size(), 308u);  // 309 bytes of room, cut between characters
    EXPECT_TRUE(rs::IsValidUtf8(read.text_b));
    EXPECT_EQ(read.duration, "00:00:58");
}

TEST(RecordLineLimits, FixedFieldsThatCannotFitAreRefused) {
    rs::RecordFields fields = Message(11, "s");
    fields.container_name = std::string(400, 'D');
    const rs::RecordLineBuild build = rs::RecordLine::Build(fields);
    EXPECT_FALSE(build.status.ok());
    EXPECT_TRUE(build.bytes.empty());
}

TEST(RecordLineLimits, MeetingCostAndCallerNameHaveTheirOwnLimits) {
    rs::RecordFields meeting = Message(2, "m");
    meeting.kind_code = "1";
    meeting.text_a = "€ 1234567890123456789";
    EXPECT_EQ(Parsed(BuiltBytes(meeting)).Fields().text_a, "€ 123456789012345");
    rs::RecordFields call = Message(2, "0123 456");
    call.kind_code = "3";
    call.text_a = std::string(60, 'n');
    EXPECT_EQ(Parsed(BuiltBytes(call)).Fields().text_a, std::string(50, 'n'));
}

TEST(RecordLineParse, RefusesAnythingButA401ByteLine) {
    const std::string good = BuiltBytes(Message(1, "x"));
    rs::RecordLine line;
    EXPECT_FALSE(rs::RecordLine::Parse(good.substr(0, 400), &line).ok());
    EXPECT_FALSE(rs::RecordLine::Parse(good + "\n", &line).ok());
    std::string no_line_feed = good;
    no_line_feed[400] = ' ';
    EXPECT_FALSE(rs::RecordLine::Parse(no_line_feed, &line).ok());
    for (const char bad : {'\n', '\r', '\0'}) {
        std::string damaged = good;
        damaged[200] = bad;
        EXPECT_EQ(rs::RecordLine::Parse(damaged, &line).code(), rs::Status::Code::kCorrupt);
    }
}

TEST(RecordLineParse, HeaderErasedAndDamagedNumbersAreNotRecords) {
    EXPECT_EQ(Parsed(rs::RecordLine::HeaderLine()).record_number(), 0);
    EXPECT_FALSE(Parsed(rs::RecordLine::HeaderLine()).IsRecord());
    EXPECT_FALSE(Parsed(Padded("99999999 " + std::string(391, '#'))).IsRecord());
    EXPECT_EQ(Parsed(Padded("0000x001 0")).record_number(), -1);
    EXPECT_EQ(Parsed(Padded("99999999999999 0")).record_number(), -1);
    // A sign is not a digit: a damaged or hostile line never yields a
    // negative record number.
    EXPECT_EQ(Parsed(Padded("-0000005 0")).record_number(), -1);
    EXPECT_EQ(Parsed(Padded("-1 0")).record_number(), -1);
    EXPECT_EQ(Parsed(Padded("123456789 0")).record_number(), 123456789);
    EXPECT_FALSE(Parsed(Padded("123456789 0")).IsRecord());
    EXPECT_TRUE(Parsed(BuiltBytes(Message(42, "x"))).IsRecord());
}

TEST(RecordLineRewrite, KeepsFourteenWordsAndAddsTenEmptyOnes) {
    const rs::RecordFields fields = Message(12, "edited subject");
    const rs::RecordLine built = Parsed(BuiltBytes(fields));
    const rs::RecordLine rewritten = built.Rewritten();
    const rs::RecordLineBuild direct = rs::RecordLine::BuildRewrite(fields);
    ASSERT_TRUE(direct.status.ok());
    EXPECT_EQ(rewritten.bytes(), direct.bytes);
    ASSERT_EQ(rewritten.bytes().size(), rs::kRecordLineBytes);
    const std::string_view text = std::string_view(rewritten.bytes()).substr(0, 400);
    for (int word = 1; word <= 14; ++word) {
        EXPECT_EQ(rs::WordAt(text, word), built.StoredField(word)) << word;
    }
}

TEST(RecordLineFile, ReadsOnlyTheFirst401Bytes) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    const std::string bytes = BuiltBytes(Message(1, "with agenda"));
    kivo::test::WriteFileText(path, bytes + "agenda entries after the line\n");
    rs::RecordLine line;
    ASSERT_TRUE(rs::RecordLine::ReadFile(path, &line).ok());
    EXPECT_EQ(line.bytes(), bytes);
    EXPECT_EQ(rs::RecordLine::ReadFile(dir.file("missing.xrl"), &line).code(),
              rs::Status::Code::kNotFound);
    kivo::test::WriteFileText(path, bytes.substr(0, 300));
    EXPECT_EQ(rs::RecordLine::ReadFile(path, &line).code(), rs::Status::Code::kCorrupt);
}

TEST(RecordLineFile, WriteReplacesTheFile) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    kivo::test::WriteFileText(path, std::string(1000, 'z'));
    const rs::RecordLine line = Parsed(BuiltBytes(Message(1, "x")));
    ASSERT_TRUE(line.WriteFile(path).ok());
    EXPECT_EQ(kivo::test::ReadFileText(path), line.bytes());
}

class RecordLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("Voxwren.xrr");
        log_ = rs::RecordLine::HeaderLine() + BuiltBytes(Message(1, "one")) +
               Padded("99999999 " + std::string(391, '#')) + BuiltBytes(Message(3, "three"));
        kivo::test::WriteFileText(path_, log_);
    }

    TempDir dir_;
    std::string path_;
    std::string log_;
};

TEST_F(RecordLogTest, ReadsLiveRecordsWithTheirOffsets) {
    std::vector<rs::RecordLogEntry> records;
    rs::RecordLogScan scan;
    ASSERT_TRUE(rs::RecordLog::ReadAll(path_, &records, &scan).ok());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].offset_bytes, 401u);
    EXPECT_EQ(records[1].offset_bytes, 1203u);
    EXPECT_EQ(records[1].line.Fields().subject, "three");
    EXPECT_EQ(scan.complete_lines, 4u);
    EXPECT_EQ(scan.torn_tail_bytes, 0u);
}

TEST_F(RecordLogTest, TornTailIsIgnored) {
    kivo::test::WriteFileText(path_, log_ + BuiltBytes(Message(4, "torn")).substr(0, 250));
    std::vector<rs::RecordLogEntry> records;
    rs::RecordLogScan scan;
    ASSERT_TRUE(rs::RecordLog::ReadAll(path_, &records, &scan).ok());
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(scan.torn_tail_bytes, 250u);
}

TEST_F(RecordLogTest, MalformedLinesArePassedOverAndCounted) {
    std::string damaged = log_;
    damaged[401 + 100] = '\0';
    kivo::test::WriteFileText(path_, damaged);
    std::vector<rs::RecordLogEntry> records;
    rs::RecordLogScan scan;
    ASSERT_TRUE(rs::RecordLog::ReadAll(path_, &records, &scan).ok());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].line.record_number(), 3);
    EXPECT_EQ(scan.malformed_lines, 1u);
}

TEST_F(RecordLogTest, ReplaceRewritesOneLineInPlace) {
    const rs::RecordLine edited = Parsed(BuiltBytes(Message(3, "three, edited"))).Rewritten();
    std::uint64_t offset = 0;
    ASSERT_TRUE(rs::RecordLog::Replace(path_, edited, &offset).ok());
    EXPECT_EQ(offset, 1203u);
    const std::string after = kivo::test::ReadFileText(path_);
    EXPECT_EQ(after.size(), log_.size());
    EXPECT_EQ(after.substr(0, 1203), log_.substr(0, 1203));
    rs::RecordLogEntry found;
    ASSERT_TRUE(rs::RecordLog::Find(path_, 3, &found).ok());
    EXPECT_EQ(found.line.Fields().subject, "three, edited");
    rs::RecordLine line;
    ASSERT_TRUE(rs::RecordLog::ReadAt(path_, 1203, &line).ok());
    EXPECT_EQ(line.bytes(), edited.bytes());
}

TEST_F(RecordLogTest, MissingRecordsAndBadOffsetsAreReported) {
    rs::RecordLogEntry found;
    EXPECT_EQ(rs::RecordLog::Find(path_, 2, &found).code(), rs::Status::Code::kNotFound);
    EXPECT_EQ(rs::RecordLog::Replace(path_, Parsed(BuiltBytes(Message(2, "x")))).code(),
              rs::Status::Code::kNotFound);
    rs::RecordLine line;
    EXPECT_FALSE(rs::RecordLog::ReadAt(path_, 400, &line).ok());
    EXPECT_EQ(rs::RecordLog::ReadAt(path_, 401 * 10, &line).code(), rs::Status::Code::kNotFound);
}

TEST_F(RecordLogTest, ReplaceHandsBackTheLineItReplaced) {
    const rs::RecordLine edited = Parsed(BuiltBytes(Message(1, "one, edited")));
    rs::RecordLine previous;
    ASSERT_TRUE(rs::RecordLog::Replace(path_, edited, nullptr, &previous).ok());
    EXPECT_EQ(previous.bytes(), log_.substr(401, 401));
    // Putting it back restores the log byte for byte.
    ASSERT_TRUE(rs::RecordLog::Replace(path_, previous).ok());
    EXPECT_EQ(kivo::test::ReadFileText(path_), log_);
}

TEST_F(RecordLogTest, RewriteDropsAndReplacesLinesAndKeepsATornTailAndThePermissions) {
    const std::string tail = BuiltBytes(Message(4, "torn")).substr(0, 120);
    kivo::test::WriteFileText(path_, log_ + tail);
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    const std::string three_edited = BuiltBytes(Message(3, "three, edited"));
    std::vector<std::uint64_t> new_offsets;
    const rs::Status rewritten = rs::RecordLog::Rewrite(path_, [&](const rs::RecordLogLine& line) {
        new_offsets.push_back(line.new_offset_bytes);
        const std::int32_t number = rs::RecordLine::NumberOf(line.bytes);
        if (number == rs::kErasedRecordNumber)
            return rs::RecordLogLineEdit::Drop();
        if (number == 3)
            return rs::RecordLogLineEdit::ReplaceWith(three_edited);
        return rs::RecordLogLineEdit::Keep();
    });
    ASSERT_TRUE(rewritten.ok()) << rewritten.message();
    EXPECT_EQ(kivo::test::ReadFileText(path_), log_.substr(0, 802) + three_edited + tail);
    EXPECT_EQ(new_offsets, (std::vector<std::uint64_t>{0, 401, 802, 802}));
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(RecordLogTest, ARewriteThatCannotFinishLeavesTheLogAsItWas) {
    const rs::Status short_line = rs::RecordLog::Rewrite(path_, [](const rs::RecordLogLine&) {
        return rs::RecordLogLineEdit::ReplaceWith("too short");
    });
    EXPECT_EQ(short_line.code(), rs::Status::Code::kInvalidArgument);
    EXPECT_EQ(kivo::test::ReadFileText(path_), log_);
    EXPECT_EQ(rs::RecordLog::Rewrite(
                  dir_.file("missing.xrr"),
                  [](const rs::RecordLogLine&) { return rs::RecordLogLineEdit::Keep(); })
                  .code(),
              rs::Status::Code::kNotFound);
    // No temporary file is left beside the log.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST(RecordLineBytes, NumberAndFieldsAreReadFromDamagedBytesToo) {
    std::string damaged = BuiltBytes(Message(42, "some subject"));
    damaged[300] = '\0';
    rs::RecordLine line;
    EXPECT_FALSE(rs::RecordLine::Parse(damaged, &line).ok());
    EXPECT_EQ(rs::RecordLine::NumberOf(damaged), 42);
    EXPECT_EQ(rs::RecordLine::StoredFieldOf(damaged, rs::record_field::kKindCode), "0");
    EXPECT_EQ(rs::RecordLine::NumberOf("-0000005 0 0"), -1);
    EXPECT_EQ(rs::RecordLine::NumberOf("1234567890 0"), -1);
}

TEST(RecordLogName, EachKindGoesToItsLog) {
    EXPECT_STREQ(rs::RecordLogNameForKind("0"), "Voxwren.xrr");
    EXPECT_STREQ(rs::RecordLogNameForKind("16"), "Voxwren.xrr");
    EXPECT_STREQ(rs::RecordLogNameForKind("1"), "Voxwren.xrm");
    EXPECT_STREQ(rs::RecordLogNameForKind("3"), "Voxwren.xrp");
    EXPECT_STREQ(rs::RecordLogNameForKind("4"), "Voxwren.xrd");
    EXPECT_EQ(rs::RecordLogNameForKind("17"), nullptr);
    EXPECT_EQ(rs::RecordLogNameForKind("6"), nullptr);
}
