// The texts behind Print and Send: the reports of the selected records and
// the mail that carries prepared recordings.
#include <gtest/gtest.h>

#include <filesystem>

#include "export_fixture.h"
#include "file_bytes.h"
#include "kivo/exchange/record_reports.h"
#include "kivo/exchange/recording_mail.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;

TEST(RecordReports, OneReportPerRecordInSelectionOrderWithoutTouchingTheWorkingFolder) {
    test::TestRecording first;
    test::TestRecording second;
    second.number = 2;
    second.subject = "Memo";
    test::ExportStore store({first, second});
    // A player open on record 2 keeps its marks in the working folder.
    test::WriteFileText((store.working() / "D2.xrs").string(), "unsaved marks");
    const auto reports = CollectRecordReports(
        store.Source(), {{2, core::ViewKind::kDictation, "D2.xrz"},
                         {9, core::ViewKind::kDictation, "D9.xrz"},  // not in the store
                         {1, core::ViewKind::kDictation, "D1.xrz"},
                         {3, core::ViewKind::kDictation, "../Voxwren.xrr"}});
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].record_number, 2);
    EXPECT_NE(reports[0].text.find("Subject\t\tMemo"), std::string::npos) << reports[0].text;
    EXPECT_NE(reports[1].text.find("Letter to the bank"), std::string::npos);
    EXPECT_NE(reports[1].text.find("bank loan"), std::string::npos) << "keywords";
    EXPECT_NE(reports[1].text.find("first point"), std::string::npos) << "marks";
    EXPECT_EQ(test::ReadFileText((store.working() / "D2.xrs").string()), "unsaved marks");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(store.working()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"D2.xrs", "Voxwren.xri"}));
}

TEST(RecordingMail, SubjectGivesTheTotalSizeAndBodyTheCount) {
    test::TempDir dir;
    std::vector<std::string> paths;
    for (const char* name : {"D1.xrz", "D2.xrz", "D3.xrz"}) {
        test::WriteFileText(dir.file(name), std::string(409600, 'x'));
        paths.push_back(dir.file(name));
    }
    const RecordingMail mail = BuildRecordingMail(paths);
    EXPECT_EQ(mail.subject, "[Enter your subject heading here] (Kivo Recording :-  1.17 MB)");
    // The body tells how to play the files and points at nothing it does not name.
    EXPECT_EQ(mail.body,
              "Kivo\u2122 voice mail attached\n\nNumber of Messages : 3\n"
              "To play the attached recordings (\".xrz\" files) you need Kivo or the free Kivo "
              "Message Player (kvmp); both come in the \"kivo\" package for Linux.\n");
    const auto arguments = XdgEmailArguments(mail);
    ASSERT_EQ(arguments.size(), 10u);
    EXPECT_EQ(arguments[4], "--attach");
    EXPECT_EQ(arguments[9], paths[2]);
    // The first file decides: one video among recordings still reads as video mail.
    EXPECT_EQ(BuildRecordingMail({dir.file("D4.XRV"), paths[0]}).body,
              "Kivo\u2122 video mail attached\n\nNumber of Messages : 2\n"
              "To play the attached video recordings (\".xrv\" files) you need Kivo or the free "
              "Kivo Message Player (kvmp); both come in the \"kivo\" package for Linux.\n");
}

TEST(RecordingMail, XdgEmailStatusesBecomeTheMessagesOfSend) {
    EXPECT_EQ(MailResultOfXdgEmail(0), kMailHandedOver);
    EXPECT_EQ(MailResultOfXdgEmail(2), kMailAttachmentMissing);
    EXPECT_EQ(MailResultOfXdgEmail(5), kMailAttachmentUnreadable);
    EXPECT_EQ(MailResultOfXdgEmail(3), kNoMailClient);
    EXPECT_EQ(MailResultOfXdgEmail(4), kNoMailClient);
    EXPECT_EQ(MailResultOfXdgEmail(1), kMailFailed);
    EXPECT_EQ(FormatFileSize(512), "512.00 bytes");
    EXPECT_EQ(FormatFileSize(1u << 30), " 1.00 GB");
}

}  // namespace
}  // namespace kivo::exchange
