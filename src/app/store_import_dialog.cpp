// The "Kivo Import" dialog (see store_import_dialog.h).
#include "store_import_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "kivo/core/shell_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/exchange/import_messages.h"

namespace kivo::app {

StoreImportDialog::StoreImportDialog(core::ShellSession& session,
                                     const recorder::RecorderTarget& target,
                                     core::MessageReporter& reporter, QWidget* parent)
    : QDialog(parent), session_(session), reporter_(reporter), import_(target) {
    setWindowTitle(QString::fromLatin1(kStoreImportTitle));
    setModal(true);
    status_ = new QLabel(this);
    status_->setMinimumWidth(380);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    start_ = new QPushButton(tr("&Start"), this);
    start_->setDefault(true);
    finish_ = new QPushButton(tr("&Finish"), this);
    connect(start_, &QPushButton::clicked, this, &StoreImportDialog::Start);
    connect(finish_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(finish_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
}

bool StoreImportDialog::Choose(const std::filesystem::path& source) {
    const int chosen = import_.Choose(source);
    if (chosen == exchange::kMessageImportOpenStore) {
        reporter_.ReportMessage(chosen, core::kStyleInformation);
        return false;
    }
    if (chosen != 0) {
        reporter_.ReportMessage(chosen, core::kStyleExclamation);
        return false;
    }
    status_->setText(QString::fromLatin1(exchange::kPressStartText));
    return true;
}

void StoreImportDialog::Show(int progress, const std::string& status) {
    bar_->setValue(progress);
    status_->setText(QString::fromStdString(status));
    // The import runs on this thread: let the window paint between files.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void StoreImportDialog::Start() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    start_->setEnabled(false);
    finish_->setEnabled(false);
    const bool empty = import_.import_list().empty();
    const int result =
        import_.Run([this](int progress, const std::string& status) { Show(progress, status); },
                    [this] { return session_.store().SaveDataStore(); });
    QApplication::restoreOverrideCursor();
    if (result == exchange::kMessageExtractFailed) {
        reporter_.ReportMessage(result, core::kStyleExclamation);
        reject();
        return;
    }
    for (const int failure : import_.failure_messages()) {
        if (exchange::ShowsImportMessage(failure, exchange::ImportSource::kDataStore))
            reporter_.ReportMessage(failure, core::kStyleExclamation);
    }
    if (result > 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    imported_ = import_.import_list().size() > import_.failures();
    if (empty) {
        accept();
        return;
    }
    finish_->setEnabled(true);
    // Start, which had the focus, is gray now: Enter and the focus go to
    // Finish, or a keyboard user would be left with no button to press.
    finish_->setDefault(true);
    finish_->setFocus();
    if (import_.FinalMessage() != 0) {
        reporter_.ReportMessage(import_.FinalMessage(), core::kStyleInformation);
        status_->setText(QString::fromStdString(import_.CompletedText()));
    }
}

QString StoreImportDialog::status_text() const {
    return status_->text();
}

int StoreImportDialog::progress() const {
    return bar_->value();
}

}  // namespace kivo::app
