// The audio import's progress dialog (see audio_import_dialog.h).
#include "audio_import_dialog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kivo::app {
namespace {

constexpr int kFileColumnWidth = 120;
constexpr int kErrorColumnWidth = 80;

}  // namespace

AudioImportDialog::AudioImportDialog(exchange::AudioFileType type,
                                     const recorder::RecorderTarget& target,
                                     std::vector<std::filesystem::path> selection, QWidget* parent)
    : QDialog(parent), worker_(new AudioImportWorker(target, std::move(selection))) {
    worker_->SaveOnThreadOf(this);
    setWindowTitle(QString::fromLatin1(exchange::AudioImportTitle(type)));
    setModal(true);
    file_ = new QLabel(this);
    status_ = new QLabel(this);
    file_bar_ = new QProgressBar(this);
    overall_bar_ = new QProgressBar(this);
    for (QProgressBar* bar : {file_bar_, overall_bar_}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    errors_ = new QTreeWidget(this);
    errors_->setColumnCount(2);
    errors_->setHeaderLabels({tr("File"), tr("Error")});
    errors_->setRootIsDecorated(false);
    errors_->header()->resizeSection(0, kFileColumnWidth);
    errors_->header()->resizeSection(1, kErrorColumnWidth);
    errors_->header()->setStretchLastSection(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    stop_ = new QPushButton(tr("&Stop"), this);
    restart_ = new QPushButton(tr("&Re-Start"), this);
    connect(cancel_, &QPushButton::clicked, this, &AudioImportDialog::reject);
    connect(stop_, &QPushButton::clicked, this, &AudioImportDialog::Stop);
    connect(restart_, &QPushButton::clicked, this, &AudioImportDialog::Start);

    auto* bars = new QGridLayout;
    bars->addWidget(new QLabel(tr("Current file progress"), this), 0, 0);
    bars->addWidget(file_bar_, 0, 1);
    bars->addWidget(new QLabel(tr("Overall progress"), this), 1, 0);
    bars->addWidget(overall_bar_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(stop_);
    buttons->addWidget(restart_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_);
    layout->addLayout(bars);
    layout->addWidget(status_);
    layout->addWidget(errors_);
    layout->addLayout(buttons);
    setMinimumWidth(460);
    file_->setText(tr("Importing File %1 of %2").arg(0).arg(worker_->file_count()));

    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &AudioImportWorker::progress, this, &AudioImportDialog::ShowProgress);
    connect(worker_, &AudioImportWorker::errorRow, this, &AudioImportDialog::AddErrorRow);
    connect(worker_, &AudioImportWorker::finished, this, &AudioImportDialog::Finish);
    thread_.start();
}

AudioImportDialog::~AudioImportDialog() {
    worker_->RequestStop();
    thread_.quit();
    // The worker may be waiting for a save that runs on this thread: keep
    // serving it until the worker has ended.
    while (!thread_.wait(QDeadlineTimer(20)))
        QCoreApplication::processEvents();
}

void AudioImportDialog::Start() {
    if (running_)
        return;
    restart_->setEnabled(false);
    cancel_->setEnabled(false);
    stop_->setEnabled(true);
    errors_->clear();
    running_ = true;
    QMetaObject::invokeMethod(worker_, &AudioImportWorker::Run, Qt::QueuedConnection);
}

void AudioImportDialog::Stop() {
    restart_->setEnabled(true);
    cancel_->setEnabled(true);
    stop_->setEnabled(false);
    worker_->RequestStop();
}

void AudioImportDialog::reject() {
    if (running_) {
        // Cancel while the worker runs only asks it to stop.
        worker_->RequestStop();
        return;
    }
    QDialog::reject();
}

void AudioImportDialog::ShowProgress(int kind, int value) {
    switch (kind) {
        case 0:
            file_bar_->setValue(value);
            break;
        case 1: {
            const int total = static_cast<int>(worker_->file_count());
            file_->setText(tr("Importing File %1 of %2").arg(value + 1).arg(total));
            overall_bar_->setValue(total > 0 ? value * 100 / total : 0);
            break;
        }
        default:
            status_->setText(QString::fromLatin1(exchange::AudioImportStatusText(value)));
            break;
    }
}

void AudioImportDialog::AddErrorRow(const QString& file, const QString& error) {
    auto* row = new QTreeWidgetItem(errors_, {file, error});
    row->setToolTip(1, error);
}

void AudioImportDialog::Finish(bool complete, int imported) {
    running_ = false;
    imported_ += imported;
    emit runFinished(complete);
    if (complete) {
        overall_bar_->setValue(100);
        // A failed file stays listed until the user has seen it.
        if (errors_->topLevelItemCount() == 0) {
            accept();
            return;
        }
        cancel_->setEnabled(true);
        stop_->setEnabled(false);
        return;
    }
    status_->setText(QString::fromLatin1(exchange::kImportStoppedText));
    restart_->setEnabled(true);
    cancel_->setEnabled(true);
    stop_->setEnabled(false);
}

QString AudioImportDialog::file_text() const {
    return file_->text();
}

QString AudioImportDialog::status_text() const {
    return status_->text();
}

int AudioImportDialog::file_progress() const {
    return file_bar_->value();
}

int AudioImportDialog::overall_progress() const {
    return overall_bar_->value();
}

QStringList AudioImportDialog::error_rows() const {
    QStringList rows;
    for (int i = 0; i < errors_->topLevelItemCount(); ++i)
        rows << errors_->topLevelItem(i)->text(0) + ": " + errors_->topLevelItem(i)->text(1);
    return rows;
}

}  // namespace kivo::app
