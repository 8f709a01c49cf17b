// Printing record reports: one page per short report, the fixed-width text
// as written, and the document's name, read back from a PDF with poppler.
#include "report_printer.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <array>
#include <cstdio>
#include <regex>

#include "temp_dir.h"

namespace kivo::app {
namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        while (std::size_t got = fread(buffer.data(), 1, buffer.size(), pipe))
            out.append(buffer.data(), got);
        pclose(pipe);
    }
    return out;
}

std::string PrintToPdf(const QStringList& reports, const std::string& path, int* pages) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    *pages = ReportPrinter(reports).Print(&printer);
    return RunCommand("pdftotext -layout '" + path + "' - 2>/dev/null");
}

QString Report(const QString& subject) {
    return QStringLiteral("\t\t\t\tDictation Record\r\n\r\nKIVO ID\t\t00000001\r\nSubject\t\t") +
           subject + QStringLiteral("\r\n\r\nIndex Marks :-\r\n\tfirst point\t00:00:01\r\n");
}

TEST(ReportPrinter, EachReportStartsItsOwnPageUnderTheJobName) {
    test::TempDir dir;
    int pages = 0;
    const std::string text =
        PrintToPdf({Report(QStringLiteral("Letter to the bank")), Report(QStringLiteral("Memo"))},
                   dir.file("job.pdf"), &pages);
    EXPECT_EQ(pages, 2);
    const std::string info = RunCommand("pdfinfo '" + dir.file("job.pdf") + "' 2>/dev/null");
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +2\n"))) << info;
    EXPECT_NE(info.find("Kivo Print Job"), std::string::npos) << info;
    // pdftotext separates pages by a form feed.
    const auto page_break = text.find('\f');
    ASSERT_NE(page_break, std::string::npos) << text;
    EXPECT_NE(text.substr(0, page_break).find("Letter to the bank"), std::string::npos) << text;
    EXPECT_NE(text.substr(page_break).find("Memo"), std::string::npos) << text;
    EXPECT_NE(text.find("Dictation Record"), std::string::npos);
    // Spacing is pdftotext's guess at the layout; the words are the report's.
    EXPECT_TRUE(std::regex_search(text, std::regex("KIVO ID +00000001"))) << text;
}

TEST(ReportPrinter, ALongReportRunsOverPagesAndLongLinesWrap) {
    QString report;
    for (int i = 1; i <= 150; ++i)
        report += QStringLiteral("line %1\r\n").arg(i);
    report += QString(300, QLatin1Char('x'));
    test::TempDir dir;
    int pages = 0;
    const std::string text = PrintToPdf({report}, dir.file("long.pdf"), &pages);
    EXPECT_GE(pages, 2);
    EXPECT_NE(text.find("line 150"), std::string::npos);
    const QStringList lines = ReportPrinter::PrintedLines(QString(250, QLatin1Char('x')), 100);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[2].size(), 50);
}

TEST(ReportPrinter, TabsAreSetEveryEightColumns) {
    const QStringList lines =
        ReportPrinter::PrintedLines(QStringLiteral("KIVO ID\t\t7\r\n\tx\r\n\r\n"), 80);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("KIVO ID         7"));
    EXPECT_EQ(lines[1], QStringLiteral("        x"));
    EXPECT_TRUE(ReportPrinter::PrintFont().fixedPitch());
}

}  // namespace
}  // namespace kivo::app
