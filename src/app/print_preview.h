// PrintPreview: "Kivo Print Job", the record reports as they will print.
// Below Qt's preview toolbar (whose buttons the Tab key never reaches) it
// has buttons of its own: "&Print..." hands the reports to a printer,
// "Save as P&DF..." writes them to a PDF file and says so when the file
// cannot be written, Close (Esc) ends it and F1 or "&Help" opens the page
// on printing.
#pragma once

#include <QPrintPreviewDialog>
#include <QStringList>
#include <functional>

#include "kivo/core/user_messages.h"
#include "report_printer.h"

class QPushButton;

namespace kivo::app {

inline constexpr const char* kPrintHelpTopic = "export.htm#print";

class PrintPreview : public QPrintPreviewDialog {
    Q_OBJECT

public:
    // device stays the caller's; it must outlive the preview.
    PrintPreview(QStringList reports, QPrinter* device, core::MessageReporter& reporter,
                 QWidget* parent = nullptr);

    // Asks for a printer (or a file) with the print box and prints there;
    // the preview closes when the pages went out.
    void PrintOnPrinter();

    // Writes the reports to a PDF file at path. False, and the user told
    // which file could not be written, when no page reached it.
    bool SaveAsPdf(const QString& path);

    // Asks for the PDF file's path (empty: cancelled). The default asks
    // with a save box that starts in the home folder.
    void set_pdf_path_chooser(std::function<QString()> chooser) {
        choose_pdf_path_ = std::move(chooser);
    }

    QPushButton* print_button() const { return print_; }
    QPushButton* save_pdf_button() const { return save_pdf_; }

signals:
    void helpRequested(const QString& topic);

protected:
    // Qt's preview takes the focus when shown; the print button gets it
    // back, so Enter prints and Tab starts from the buttons.
    void showEvent(QShowEvent* event) override;

private:
    void AddButtons();

    ReportPrinter printer_;
    core::MessageReporter& reporter_;
    std::function<QString()> choose_pdf_path_;
    QPushButton* print_ = nullptr;
    QPushButton* save_pdf_ = nullptr;
};

}  // namespace kivo::app
