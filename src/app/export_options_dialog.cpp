// The export and send options.
#include "export_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace kivo::app {

ExportOptionsDialog::ExportOptionsDialog(Purpose purpose, bool video, bool compress_by_default,
                                         QWidget* parent)
    : QDialog(parent), video_(video) {
    setWindowTitle(QString::fromLatin1(purpose == Purpose::kExport ? exchange::kExportOptionsTitle
                                                                   : exchange::kSendOptionsTitle));
    lock_ = new QCheckBox(QString::fromLatin1(exchange::kLockChoiceText), this);
    convert_ = new QCheckBox(QString::fromLatin1(exchange::kConvertChoiceText), this);
    compress_ = new QCheckBox(QString::fromLatin1(exchange::kCompressChoiceText), this);
    compress_->setChecked(compress_by_default && !video);
    convert_->setEnabled(!video);
    compress_->setEnabled(!video);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lock_);
    layout->addWidget(convert_);
    layout->addWidget(compress_);
    layout->addWidget(buttons);
}

exchange::ExportOptions ExportOptionsDialog::options() const {
    exchange::ExportOptions options;
    options.lock = lock_->isChecked();
    options.convert_to_voice = !video_ && convert_->isChecked();
    options.compress = !video_ && compress_->isChecked();
    return options;
}

}  // namespace kivo::app
