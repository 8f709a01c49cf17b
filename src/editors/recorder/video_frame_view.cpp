// The video frame (see video_frame_view.h).
#include "kivo/recorder/video_frame_view.h"

#include <QPainter>
#include <QVideoFrame>
#include <QVideoSink>

namespace kivo::recorder {

VideoFrameView::VideoFrameView(QWidget* parent) : QWidget(parent), sink_(new QVideoSink(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(sink_, &QVideoSink::videoFrameChanged, this, &VideoFrameView::OnFrame);
}

void VideoFrameView::OnFrame(const QVideoFrame& frame) {
    // A player sends an invalid frame when it stops or unloads: keep the
    // last picture then, as a paused player does.
    if (!frame.isValid())
        return;
    // toImage maps the frame and converts it on the processor, whatever the
    // decoder's pixel format.
    ShowPicture(frame.toImage());
}

void VideoFrameView::ShowPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void VideoFrameView::Clear() {
    picture_ = QImage();
    update();
}

void VideoFrameView::SetPlaceholder(const QString& text) {
    placeholder_ = text;
    update();
}

void VideoFrameView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull()) {
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, placeholder_);
        return;
    }
    const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}

}  // namespace kivo::recorder
