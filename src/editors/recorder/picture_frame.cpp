// A record's picture in a dialog (see picture_frame.h).
#include "kivo/recorder/picture_frame.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

#include "kivo/recorder/dialog_button.h"

namespace kivo::recorder {
namespace {

constexpr int kPictureFrameSize = 120;

}  // namespace

PictureFrame::PictureFrame(const QString& insert_text, std::function<bool()> has_picture,
                           QWidget* parent)
    : QWidget(parent), has_picture_(std::move(has_picture)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    frame_ = new QLabel(this);
    frame_->setObjectName(QString::fromLatin1(kPictureFrameName));
    frame_->setFixedSize(kPictureFrameSize, kPictureFrameSize);
    frame_->setFrameShape(QFrame::StyledPanel);
    frame_->setAlignment(Qt::AlignCenter);
    frame_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(frame_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const std::unique_ptr<QMenu> menu = BuildMenu();
        menu->exec(frame_->mapToGlobal(at));
    });
    insert_ = DialogButton(insert_text, this);
    remove_ = DialogButton(QStringLiteral("Remo&ve Picture"), this);
    connect(insert_, &QPushButton::clicked, this, &PictureFrame::insertRequested);
    connect(remove_, &QPushButton::clicked, this, &PictureFrame::removeRequested);
    row->addWidget(frame_);
    row->addWidget(insert_);
    row->addWidget(remove_);
    row->addStretch();
    Show(QString());
}

void PictureFrame::Show(const QString& path) {
    frame_->setPixmap(QPixmap());
    if (path.isEmpty()) {
        frame_->setText(QStringLiteral("No picture"));
        remove_->setEnabled(false);
        return;
    }
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        frame_->setText(QStringLiteral("Picture"));
    } else {
        frame_->setPixmap(
            pixmap.scaled(frame_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    remove_->setEnabled(true);
}

void PictureFrame::SetInsertEnabled(bool enabled) {
    insert_->setEnabled(enabled);
}

std::unique_ptr<QMenu> PictureFrame::BuildMenu() {
    auto menu = std::make_unique<QMenu>(this);
    if (has_picture_ && has_picture_()) {
        menu->addAction(QString::fromLatin1(kRemovePictureText), this,
                        &PictureFrame::removeRequested);
    }
    QAction* add =
        menu->addAction(QString::fromLatin1(kAddPictureText), this, &PictureFrame::insertRequested);
    add->setEnabled(insert_->isEnabled());
    return menu;
}

QString PictureFrame::ChooseFile(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Insert Picture"), QString(),
                                        QStringLiteral("GIF & JPEG Images (*.gif *.jpg)"));
}

}  // namespace kivo::recorder
