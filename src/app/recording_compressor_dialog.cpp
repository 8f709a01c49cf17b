// "Kivo Compressor": the dialog over the compressor's worker thread.
#include "recording_compressor_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <system_error>

#include "compressor_worker.h"
#include "kivo/exchange/recording_compressor.h"

namespace kivo::app {

RecordingCompressorDialog::RecordingCompressorDialog(std::vector<std::filesystem::path> copies,
                                                     exchange::ExportOptions options,
                                                     std::filesystem::path scratch_parent,
                                                     QWidget* parent)
    : QDialog(parent),
      copies_(std::move(copies)),
      options_(options),
      scratch_parent_(std::move(scratch_parent)) {
    setWindowTitle(QString::fromLatin1(exchange::kCompressorTitle));
    file_label_ = new QLabel(tr("Compressing file 0 of %1").arg(copies_.size()), this);
    status_ = new QLabel(this);
    file_bar_ = new QProgressBar(this);
    overall_bar_ = new QProgressBar(this);
    for (QProgressBar* bar : {file_bar_, overall_bar_}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    cancel_ = new QPushButton(tr("Cancel"), this);
    stop_ = new QPushButton(tr("&Stop"), this);
    restart_ = new QPushButton(tr("&Re-Start"), this);
    connect(cancel_, &QPushButton::clicked, this, &RecordingCompressorDialog::CancelWork);
    connect(stop_, &QPushButton::clicked, this, &RecordingCompressorDialog::StopWork);
    connect(restart_, &QPushButton::clicked, this, &RecordingCompressorDialog::RestartWork);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_label_);
    layout->addWidget(new QLabel(tr("Current file progress"), this));
    layout->addWidget(file_bar_);
    layout->addWidget(new QLabel(tr("Overall progress"), this));
    layout->addWidget(overall_bar_);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel_);
    buttons->addWidget(stop_);
    buttons->addWidget(restart_);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    worker_ = new CompressorWorker(&run_flag_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(this, &RecordingCompressorDialog::compressRequested, worker_,
            &CompressorWorker::Compress);
    connect(worker_, &CompressorWorker::statusChanged, status_, &QLabel::setText);
    connect(worker_, &CompressorWorker::fileProgress, file_bar_, &QProgressBar::setValue);
    connect(worker_, &CompressorWorker::fileDone, this, &RecordingCompressorDialog::FileDone);
    thread_.start();
}

RecordingCompressorDialog::~RecordingCompressorDialog() {
    run_flag_ = false;
    thread_.quit();
    thread_.wait();
}

QString RecordingCompressorDialog::file_label() const {
    return file_label_->text();
}
QString RecordingCompressorDialog::status_text() const {
    return status_->text();
}
int RecordingCompressorDialog::overall_percent() const {
    return overall_bar_->value();
}

void RecordingCompressorDialog::Start() {
    run_flag_ = true;
    StartNext();
}

void RecordingCompressorDialog::StartNext() {
    if (next_ >= copies_.size() || cancelled_) {
        Finish();
        return;
    }
    const std::size_t index = next_++;
    file_bar_->setValue(0);
    file_label_->setText(tr("Compressing file %1 of %2").arg(index + 1).arg(copies_.size()));
    const std::filesystem::path scratch = scratch_parent_ / ("compress-" + std::to_string(index));
    std::error_code ec;
    std::filesystem::create_directories(scratch, ec);
    working_ = true;
    stopped_ = false;
    run_flag_ = true;
    SetButtons(true);
    emit compressRequested(
        QString::fromStdString(copies_[index].string()), options_.convert_to_voice,
        options_.compress || options_.convert_to_voice, QString::fromStdString(scratch.string()));
}

void RecordingCompressorDialog::FileDone(int error, const QString& detail) {
    working_ = false;
    if (error == exchange::kCompressorOk) {
        ++done_;
        file_bar_->setValue(100);
        overall_bar_->setValue(static_cast<int>(next_ * 100 / copies_.size()));
        if (stopped_ || cancelled_) {
            SetButtons(false);
            if (cancelled_)
                Finish();
            return;
        }
        StartNext();
        return;
    }
    if (error != exchange::kCompressorStopped) {
        QMessageBox::critical(this, QString::fromLatin1(exchange::kCompressorTitle),
                              QString::fromLatin1(exchange::CompressorErrorText(error)) +
                                  (detail.isEmpty() ? QString() : QStringLiteral("\n") + detail));
    }
    if (cancelled_) {
        Finish();
        return;
    }
    stopped_ = true;
    SetButtons(false);
}

void RecordingCompressorDialog::StopWork() {
    run_flag_ = false;
    stopped_ = true;
    stop_->setEnabled(false);
    // Cancel and Re-Start wait for the worker to let go of the copy.
    if (!working_)
        SetButtons(false);
}

void RecordingCompressorDialog::RestartWork() {
    if (working_)
        return;  // the stopped file has not answered yet
    StartNext();
}

void RecordingCompressorDialog::CancelWork() {
    run_flag_ = false;
    cancelled_ = true;
    if (!working_)
        Finish();
}

void RecordingCompressorDialog::Finish() {
    cancel_->setEnabled(false);
    stop_->setEnabled(false);
    restart_->setEnabled(false);
    accept();
}

void RecordingCompressorDialog::SetButtons(bool running) {
    cancel_->setEnabled(!running);
    restart_->setEnabled(!running && next_ < copies_.size());
    stop_->setEnabled(running);
}

}  // namespace kivo::app
