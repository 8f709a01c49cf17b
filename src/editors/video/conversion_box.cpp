// The conversion box (see conversion_box.h).
#include "kivo/video/conversion_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivo::video {

ConversionBox::ConversionBox(ConversionWork work, QWidget* parent)
    : QDialog(parent), work_(std::move(work)) {
    setWindowTitle(QStringLiteral("Kivo Video - Conversion & Compression"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Please wait whilst your video is being converted and compressed"), this));
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    keep_ = new QPushButton(QStringLiteral("&Keep Converted Part"), this);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    buttons->addStretch(1);
    buttons->addWidget(keep_);
    buttons->addWidget(stop_);
    layout->addLayout(buttons);
    connect(stop_, &QPushButton::clicked, this, [this] { control_.RequestAbort(); });
    connect(keep_, &QPushButton::clicked, this, [this] { control_.RequestStop(); });
}

ConversionBox::~ConversionBox() {
    control_.RequestAbort();
    if (worker_.joinable())
        worker_.join();
}

void ConversionBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    StartWork();
}

void ConversionBox::StartWork() {
    if (worker_.joinable())
        return;
    worker_ = std::thread([this] {
        const auto progress = [this](int percent) {
            QMetaObject::invokeMethod(
                bar_, [bar = bar_, percent] { bar->setValue(percent); }, Qt::QueuedConnection);
        };
        encoding::VideoConversionResult result = work_(&control_, progress);
        QMetaObject::invokeMethod(
            this, [this, result] { OnFinished(result); }, Qt::QueuedConnection);
    });
}

void ConversionBox::OnFinished(const encoding::VideoConversionResult& result) {
    if (worker_.joinable())
        worker_.join();
    result_ = result;
    if (result.kept_target())
        accept();
    else
        QDialog::reject();
}

void ConversionBox::reject() {
    // Closing the box stops the conversion; the worker's end closes it.
    control_.RequestAbort();
    stop_->setEnabled(false);
    keep_->setEnabled(false);
}

}  // namespace kivo::video
