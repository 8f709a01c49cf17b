// ReportPrinter: lays record reports on printer pages in a fixed-width font
// ("Courier New" at 10 points, else the system's fixed-width font), each
// report from a new page, tabs set every eight columns, lines longer than
// the page wrapped. The device is a QPrinter: a printer, a PDF file or the
// print preview. Document name "Kivo Print Job".
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QPrinter;

namespace kivo::app {

inline constexpr const char* kPrintJobName = "Kivo Print Job";

class ReportPrinter {
public:
    explicit ReportPrinter(QStringList reports) : reports_(std::move(reports)) {}

    // Paints every report on printer. Returns the number of pages; 0 when
    // the printer could not be painted on.
    int Print(QPrinter* printer) const;

    // The report's lines as printed: CR LF or LF ends a line, tabs expanded,
    // lines wrapped at columns characters.
    static QStringList PrintedLines(const QString& report, int columns);

    static QFont PrintFont();

private:
    QStringList reports_;
};

}  // namespace kivo::app
