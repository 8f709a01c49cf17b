// Report layouts byte for byte, built from extracted record files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/format/agenda.h"
#include "kivo/format/record_report.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/text_encoding.h"
#include "temp_dir.h"

namespace fmt = kivo::format;
namespace rs = kivo::recordstore;
using kivo::test::TempDir;

namespace {

const std::string kMarksHeading = "\r\n\r\nIndex Marks :-\r\n\tComments" + std::string(44, ' ') +
                                  "\tTime Stamp\r\n\t" + std::string(52, '-') + "\t" +
                                  std::string(10, '-') + "\r\n";

// One index-mark line: comment padded to 52, time stamp padded to 10.
std::string MarkLine(const std::string& comment, const std::string& time_stamp) {
    return "\t" + comment + std::string(52 - comment.size(), ' ') + "\t" + time_stamp +
           std::string(10 - time_stamp.size(), ' ') + "\r\n";
}

rs::RecordFields Fields(const std::string& kind, const std::string& subject) {
    rs::RecordFields fields;
    fields.record_number = 42;
    fields.kind_code = kind;
    fields.text_a = "0";
    fields.subject = subject;
    fields.container_name = "D1.xrz";
    fields.start_date = "05/03/2024";
    fields.start_time = "09:07:02";
    fields.end_date = "05/03/2024";
    fields.end_time = "09:08:00";
    fields.duration = "00:00:58";
    return fields;
}

class RecordReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        files_.record_line_path = dir_.file("D1.xrl");
        files_.index_marks_path = dir_.file("D1.xrs");
        files_.original_text_path = dir_.file("D1.xr1");
        files_.translated_text_path = dir_.file("D1.xr2");
    }

    void WriteLine(const rs::RecordFields& fields) {
        const rs::RecordLineBuild build = rs::RecordLine::Build(fields);
        ASSERT_TRUE(build.status.ok());
        kivo::test::WriteFileText(files_.record_line_path, build.bytes);
    }

    void WriteMarks(const std::vector<rs::IndexMark>& marks) {
        ASSERT_TRUE(rs::WriteIndexMarkFile(files_.index_marks_path, marks).ok());
    }

    std::string Report(fmt::ReportKind kind) {
        return fmt::FormatRecordReport(kind, files_, [this](std::int32_t number) {
            looked_up_ = number;
            return std::string("budget review");
        });
    }

    TempDir dir_;
    fmt::ExtractedRecordFiles files_;
    std::int32_t looked_up_ = -1;
};

}  // namespace

TEST_F(RecordReportTest, MessageReportByteForByteWithSortedMarks) {
    WriteLine(Fields("0", "Hello world"));
    WriteMarks({rs::MakeIndexMark("00:01:10", "third"), rs::MakeIndexMark("00:00:05", "first"),
                rs::MakeIndexMark("00:00:40", "second one")});
    EXPECT_EQ(Report(fmt::ReportKind::kMessage),
              "\t\t\t\tDictation Record\r\n\r\n"
              "KIVO ID\t\t00000042"
              "\r\nSubject\t\tHello world"
              "\r\nStart Time\t05/03/2024 09:07:02"
              "\r\nEnd Time\t05/03/2024 09:08:00"
              "\r\nDuration\t00:00:58"
              "\r\n\r\nKeywords :-\r\n\tbudget review" +
                  kMarksHeading + MarkLine("first", "00:00:05") +
                  MarkLine("second one", "00:00:40") + MarkLine("third", "00:01:10"));
    EXPECT_EQ(looked_up_, 42);
}

TEST_F(RecordReportTest, VideoReportHasItsOwnHeadingAndNoMarksFileIsNoLines) {
    WriteLine(Fields("9", "Garden"));
    const std::string report = Report(fmt::ReportKind::kVideo);
    EXPECT_EQ(
        report.rfind("\t\t\t\tVideo Record\r\n\r\nKIVO ID\t\t00000042\r\nSubject\t\tGarden", 0),
        0u);
    EXPECT_TRUE(report.ends_with(kMarksHeading));
}

TEST_F(RecordReportTest, PhoneReportShowsNameNumberAndCostBeforeTheStart) {
    rs::RecordFields fields = Fields("3", "+44 20 7946 0018");
    fields.text_a = "Anna Schmidt";
    fields.text_b = "£ 0.42";
    WriteLine(fields);
    WriteMarks({});
    EXPECT_EQ(Report(fmt::ReportKind::kPhone),
              "\t\t\t\tPhone Record\r\n\r\n"
              "KIVO ID\t\t00000042"
              "\r\nName\t\tAnna Schmidt"
              "\r\nPhone Number\t+44 20 7946 0018"
              "\r\nCost\t\t£ 0.42"
              "\r\nStart Time\t05/03/2024 09:07:02"
              "\r\nEnd Time\t05/03/2024 09:08:00"
              "\r\nCall Duration\t00:00:58"
              "\r\n\r\nKeywords :-\r\n\tbudget review" +
                  kMarksHeading);
}

TEST_F(RecordReportTest, DiaryReminderIsOffOnlyForZero) {
    rs::RecordFields fields = Fields("4", "Dentist");
    fields.text_a = "12/03/2024";
    fields.text_b = "14:30";
    const std::string expected_start =
        "\t\t\t\tDiary Record\r\n\r\n"
        "KIVO ID\t\t00000042"
        "\r\nSubject\t\tDentist"
        "\r\nDiary Date\t12/03/2024"
        "\r\nDiary Time\t14:30"
        "\r\nReminder\t";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "Off"}, {"1", "On"}, {"2", "On"}, {"", "On"}};
    for (const auto& [setting, shown] : cases) {
        fields.kind_number = setting;
        WriteLine(fields);
        const std::string report = Report(fmt::ReportKind::kDiary);
        EXPECT_EQ(report.substr(0, expected_start.size() + shown.size() + 2),
                  expected_start + shown + "\r\n")
            << "setting '" << setting << "'";
    }
    EXPECT_NE(Report(fmt::ReportKind::kDiary).find("\r\nStart Time\t05/03/2024 09:07:02"),
              std::string::npos);
}

TEST_F(RecordReportTest, TranslationReportEndsWithBothTexts) {
    WriteLine(Fields("12", "Lettre"));
    kivo::test::WriteFileText(files_.original_text_path, "Dear Sir,\r\nthank you.");
    kivo::test::WriteFileText(files_.translated_text_path, "Monsieur,\r\nmerci.");
    const std::string rule = std::string(52, '-') + "\r\n";
    EXPECT_TRUE(Report(fmt::ReportKind::kTranslation)
                    .ends_with(kMarksHeading + "\r\n\r\nOriginal Text" + std::string(39, ' ') +
                               "\r\n" + rule + "Dear Sir,\r\nthank you." +
                               "\r\n\r\nTranslated Text" + std::string(37, ' ') + "\r\n" + rule +
                               "Monsieur,\r\nmerci."));
}

TEST_F(RecordReportTest, MissingTranslationTextsKeepTheirHeadings) {
    WriteLine(Fields("11", "Letter"));
    const std::string report = Report(fmt::ReportKind::kTranslation);
    EXPECT_TRUE(report.ends_with("\r\n\r\nTranslated Text" + std::string(37, ' ') + "\r\n" +
                                 std::string(52, '-') + "\r\n"));
    EXPECT_NE(report.find("Original Text"), std::string::npos);
}

TEST_F(RecordReportTest, MeetingReportCarriesTheAgendaStoredAfterTheLine) {
    WriteLine(Fields("1", "Board"));
    fmt::Agenda agenda;
    agenda.title = "Board meeting";
    agenda.items = {{1, "Budget"}, {2, "Travel costs"}, {1, "Any other business"}};
    ASSERT_TRUE(fmt::SaveAgenda(files_.record_line_path, agenda).ok());
    const std::string report = Report(fmt::ReportKind::kMeeting);
    EXPECT_NE(report.find("\r\nDuration\t00:00:58\r\n\r\nAgenda\r\nBoard meeting\r\n\tBudget\r\n"
                          "\t\tTravel costs\r\n\tAny other business\r\n\r\n\r\nKeywords :-"),
              std::string::npos);
}

TEST_F(RecordReportTest, MeetingWithoutAgendaKeepsTheHeading) {
    WriteLine(Fields("1", "Board"));
    EXPECT_NE(Report(fmt::ReportKind::kMeeting).find("\r\n\r\nAgenda\r\n\r\n\r\nKeywords :-"),
              std::string::npos);
}

TEST_F(RecordReportTest, UnreadableRecordLineIsFilerr) {
    EXPECT_EQ(Report(fmt::ReportKind::kMessage), "filerr");
    kivo::test::WriteFileText(files_.record_line_path, std::string(300, 'x'));
    EXPECT_EQ(Report(fmt::ReportKind::kPhone), "filerr");
    EXPECT_EQ(looked_up_, -1);
}

TEST_F(RecordReportTest, StoredSpacesAndWindowsTextAreShownReadably) {
    std::string line =
        "00000042 0 0  Caf\xE9\xACnoir\xAC\x96\xAC"
        "d\xE9j\xE0  D1.xrz";
    line.resize(400, ' ');
    kivo::test::WriteFileText(files_.record_line_path, line + "\n");
    EXPECT_NE(Report(fmt::ReportKind::kMessage).find("\r\nSubject\t\tCafé noir – déjà\r\n"),
              std::string::npos);
}

TEST_F(RecordReportTest, AWindowsSubjectDoesNotChangeHowAUtf8CommentReads) {
    // The subject from the Windows program: "Thé £5" stored with 0xAC for
    // the spaces, so E9 AC A3 looks like one UTF-8 character; the mark's
    // comment is this program's UTF-8.
    std::string line =
        "00000042 0 0  Th\xE9\xAC\xA3"
        "5\xAC\x80  D1.xrz";
    line.resize(400, ' ');
    kivo::test::WriteFileText(files_.record_line_path, line + "\n");
    WriteMarks({rs::MakeIndexMark("00:00:01", "Résumé")});
    const std::string report = Report(fmt::ReportKind::kMessage);
    EXPECT_NE(report.find("\r\nSubject\t\tThé £5 €\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\tRésumé"), std::string::npos) << report;
    EXPECT_TRUE(rs::IsValidUtf8(report));
}

TEST_F(RecordReportTest, UnicodeSubjectsAreKept) {
    for (const std::string subject :
         {"Réunion d'été", "Συνάντηση άμεσα", "ОБЪЯВЛЕНИЕ", "日本 本社"}) {
        WriteLine(Fields("0", subject));
        EXPECT_NE(Report(fmt::ReportKind::kMessage).find("\r\nSubject\t\t" + subject + "\r\n"),
                  std::string::npos)
            << subject;
    }
}
