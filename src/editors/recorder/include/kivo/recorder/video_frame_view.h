// VideoFrameView: the video frame of every window that shows moving
// pictures (the video recorder's live preview, the video player, kvmp).
//
// It paints the latest picture itself, scaled to fit and centred on black,
// so it shows on every platform plugin (xcb on a desktop or under Xvfb,
// offscreen in the tests) without a graphics context of its own. A media
// player hands its frames to sink(); a capture hands its pictures to
// ShowPicture. Without a picture the frame shows its placeholder text.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class QVideoFrame;
class QVideoSink;

namespace kivo::recorder {

class VideoFrameView : public QWidget {
    Q_OBJECT
public:
    explicit VideoFrameView(QWidget* parent = nullptr);

    // The sink a QMediaPlayer writes its frames into; each frame is drawn.
    QVideoSink* sink() const { return sink_; }
    // Draws one picture (a null image clears the frame).
    void ShowPicture(const QImage& picture);
    // Forgets the picture and shows the placeholder again.
    void Clear();
    // The picture drawn now; null before the first one and after Clear.
    const QImage& picture() const { return picture_; }
    void SetPlaceholder(const QString& text);

    QSize sizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnFrame(const QVideoFrame& frame);

    QVideoSink* sink_ = nullptr;
    QImage picture_;
    QString placeholder_;
};

}  // namespace kivo::recorder
