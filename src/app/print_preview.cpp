// The print preview with buttons a keyboard reaches.
#include "print_preview.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QKeySequence>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>

namespace kivo::app {

PrintPreview::PrintPreview(QStringList reports, QPrinter* device, core::MessageReporter& reporter,
                           QWidget* parent)
    : QPrintPreviewDialog(device, parent), printer_(std::move(reports)), reporter_(reporter) {
    setWindowTitle(QString::fromLatin1(kPrintJobName));
    connect(this, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printer_.Print(target); });
    choose_pdf_path_ = [this] {
        return QFileDialog::getSaveFileName(
            this, tr("Save as PDF"),
            QDir::home().filePath(QString::fromLatin1(kPrintJobName) + QStringLiteral(".pdf")),
            tr("PDF files (*.pdf)"));
    };
    AddButtons();
}

void PrintPreview::AddButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close | QDialogButtonBox::Help, this);
    print_ = buttons->addButton(tr("&Print..."), QDialogButtonBox::ActionRole);
    save_pdf_ = buttons->addButton(tr("Save as P&DF..."), QDialogButtonBox::ActionRole);
    buttons->button(QDialogButtonBox::Close)->setText(tr("Close"));
    buttons->button(QDialogButtonBox::Help)->setText(tr("&Help"));
    print_->setToolTip(tr("Choose a printer, or a PDF file, and print the reports"));
    save_pdf_->setToolTip(tr("Write the reports to a PDF file"));
    connect(print_, &QPushButton::clicked, this, &PrintPreview::PrintOnPrinter);
    connect(save_pdf_, &QPushButton::clicked, this, [this] {
        const QString path = choose_pdf_path_();
        if (!path.isEmpty())
            SaveAsPdf(path);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto help = [this] { emit helpRequested(QString::fromLatin1(kPrintHelpTopic)); };
    connect(buttons, &QDialogButtonBox::helpRequested, this, help);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, help);
    if (auto* box = qobject_cast<QBoxLayout*>(layout()))
        box->addWidget(buttons);
    print_->setDefault(true);
}

void PrintPreview::showEvent(QShowEvent* event) {
    QPrintPreviewDialog::showEvent(event);
    print_->setFocus();
}

void PrintPreview::PrintOnPrinter() {
    QPrintDialog dialog(printer(), this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (printer_.Print(printer()) > 0) {
        accept();
        return;
    }
    const QString target = printer()->outputFileName().isEmpty()
                               ? printer()->printerName()
                               : QDir::toNativeSeparators(printer()->outputFileName());
    reporter_.ReportText("The reports could not be printed on " + target.toStdString() + ".",
                         core::kStyleExclamation);
}

bool PrintPreview::SaveAsPdf(const QString& path) {
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    if (printer_.Print(&pdf) > 0)
        return true;
    reporter_.ReportText("The PDF file " + QDir::toNativeSeparators(path).toStdString() +
                             " could not be written. Choose a folder you may write to.",
                         core::kStyleExclamation);
    return false;
}

}  // namespace kivo::app
