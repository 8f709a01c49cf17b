// The print preview by keyboard and its PDF file: Print and Save as PDF are
// buttons that Tab and their Alt letters reach (Qt's toolbar takes no focus),
// F1 opens the page on printing, and a PDF that cannot be written is
// reported instead of silently lost.
#include "print_preview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "temp_dir.h"

namespace kivo::app {
namespace {

QStringList Reports() {
    return {QStringLiteral("\t\t\t\tDictation Record\r\n\r\nKIVO ID\t\t00000001\r\n"),
            QStringLiteral("\t\t\t\tMeeting Record\r\n\r\nKIVO ID\t\t00000002\r\n")};
}

std::string FirstBytes(const std::string& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

class PrintPreviewTest : public testing::Test {
protected:
    QPrinter device_{QPrinter::HighResolution};
    core::RecordingMessageReporter reporter_;
    PrintPreview preview_{Reports(), &device_, reporter_};
};

TEST_F(PrintPreviewTest, PrintAndSaveAsPdfAreReachedByTabAndAltLettersAndF1OpensThePrintingPage) {
    ASSERT_NE(preview_.print_button(), nullptr);
    EXPECT_EQ(preview_.print_button()->text(), "&Print...");
    EXPECT_EQ(preview_.save_pdf_button()->text(), "Save as P&DF...");
    EXPECT_TRUE(preview_.save_pdf_button()->focusPolicy() & Qt::TabFocus);

    QSignalSpy help(&preview_, &PrintPreview::helpRequested);
    preview_.show();
    preview_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preview_));
    EXPECT_EQ(QApplication::focusWidget(), preview_.print_button());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toString(), "export.htm#print");

    // Enter offers the printers; cancelling their box prints nothing.
    bool offered = false;
    QTimer::singleShot(0, [&offered] {
        if (auto* box = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            offered = true;
            box->reject();
        }
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(offered);
    EXPECT_TRUE(preview_.isVisible());
    EXPECT_TRUE(reporter_.reports().empty());

    QTest::keyClick(&preview_, Qt::Key_Escape);
    EXPECT_FALSE(preview_.isVisible());
}

TEST_F(PrintPreviewTest, APdfThatCannotBeWrittenIsReportedAndAWritableOneHoldsTheReports) {
    test::TempDir dir;
    const std::string unwritable = dir.file("no-such-folder") + "/job.pdf";
    QString chosen = QString::fromStdString(unwritable);
    preview_.set_pdf_path_chooser([&chosen] { return chosen; });

    preview_.save_pdf_button()->click();
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_NE(reporter_.reports()[0].text.find(unwritable), std::string::npos);
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleExclamation);

    chosen = QString::fromStdString(dir.file("job.pdf"));
    preview_.save_pdf_button()->click();
    EXPECT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(FirstBytes(dir.file("job.pdf"), 5), "%PDF-");

    chosen.clear();  // the save box cancelled
    preview_.save_pdf_button()->click();
    EXPECT_EQ(reporter_.reports().size(), 1u);
}

}  // namespace
}  // namespace kivo::app
