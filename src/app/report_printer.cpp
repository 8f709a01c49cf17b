// Record reports on paper.
#include "report_printer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace kivo::app {
namespace {

constexpr int kTabColumns = 8;
constexpr int kFontPoints = 10;

QString ExpandTabs(const QString& line) {
    QString out;
    for (QChar c : line) {
        if (c == QLatin1Char('\t')) {
            const int spaces = kTabColumns - static_cast<int>(out.size() % kTabColumns);
            out += QString(spaces, QLatin1Char(' '));
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

QFont ReportPrinter::PrintFont() {
    QFont font(QStringLiteral("Courier New"), kFontPoints);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferQuality);
    font.setFixedPitch(true);
    return font;
}

QStringList ReportPrinter::PrintedLines(const QString& report, int columns) {
    QString text = report;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        QString line = ExpandTabs(raw);
        while (columns > 0 && line.size() > columns) {
            lines << line.left(columns);
            line = line.mid(columns);
        }
        lines << line;
    }
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

int ReportPrinter::Print(QPrinter* printer) const {
    printer->setDocName(QString::fromLatin1(kPrintJobName));
    QPainter painter;
    if (!painter.begin(printer))
        return 0;
    const QFont font = PrintFont();
    painter.setFont(font);
    const QFontMetrics metrics(font, printer);
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const int line_height = std::max(1, metrics.lineSpacing());
    const int lines_per_page = std::max(1, page.height() / line_height);
    const int columns =
        std::max(1, page.width() / std::max(1, metrics.horizontalAdvance(QLatin1Char('M'))));
    int pages = 0;
    for (const QString& report : reports_) {
        const QStringList lines = PrintedLines(report, columns);
        for (qsizetype first = 0; first < std::max<qsizetype>(1, lines.size());
             first += lines_per_page) {
            if (pages > 0 && !printer->newPage())
                return pages;
            ++pages;
            for (int i = 0; i < lines_per_page && first + i < lines.size(); ++i) {
                painter.drawText(0, i * line_height + metrics.ascent(), lines[first + i]);
            }
        }
    }
    painter.end();
    return pages;
}

}  // namespace kivo::app
