// kivo-drag-source FILE...: a small window that starts a drag of the files
// given (as file URLs, the way a file manager offers them) when the mouse is
// pressed on it. Under Xvfb, where no file manager runs, it lets a script
// drop files on the Kivo window through the real X drag-and-drop protocol:
//
//   kivo-drag-source a.wav b.mp3 &   # the window appears at the top left
//   xdotool mousemove 40 40 mousedown 1 mousemove 600 400 mousemove 610 410 mouseup 1
//
// It prints the drop action the target accepted ("copy", "move", "link" or
// "ignored") and quits after the drag.
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QUrl>

namespace {

const char* ActionName(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction:
            return "copy";
        case Qt::MoveAction:
            return "move";
        case Qt::LinkAction:
            return "link";
        default:
            return "ignored";
    }
}

class DragSource : public QLabel {
public:
    explicit DragSource(QList<QUrl> files) : files_(std::move(files)) {
        setText(QString("Drag %1 file(s) from here").arg(files_.size()));
        setAlignment(Qt::AlignCenter);
        setFrameStyle(QFrame::Box);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        auto* data = new QMimeData;
        data->setUrls(files_);
        QDrag drag(this);
        drag.setMimeData(data);
        const Qt::DropAction accepted = drag.exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
        QTextStream(stdout) << ActionName(accepted) << Qt::endl;
        QApplication::quit();
    }

private:
    QList<QUrl> files_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QList<QUrl> files;
    for (const QString& argument : application.arguments().mid(1))
        files.append(QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath()));
    if (files.isEmpty()) {
        QTextStream(stderr) << "usage: kivo-drag-source FILE..." << Qt::endl;
        return 2;
    }
    DragSource window(files);
    window.setWindowTitle("kivo-drag-source");
    window.setGeometry(0, 0, 200, 120);
    window.show();
    return application.exec();
}
