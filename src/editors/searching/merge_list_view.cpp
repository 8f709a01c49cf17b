#include "merge_list_view.h"

#include <QDragEnterEvent>
#include <QMimeData>

#include "kivo/searching/search_results_model.h"

namespace kivo::searching {

MergeListView::MergeListView(DropHandler on_drop, QWidget* parent)
    : QListWidget(parent), on_drop_(std::move(on_drop)) {
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void MergeListView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(kResultRowsMimeType)))
        event->acceptProposedAction();
}

void MergeListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(kResultRowsMimeType)))
        event->acceptProposedAction();
}

void MergeListView::dropEvent(QDropEvent* event) {
    const QByteArray data = event->mimeData()->data(QString::fromLatin1(kResultRowsMimeType));
    std::vector<std::int32_t> numbers;
    for (const QByteArray& line : data.split('\n')) {
        bool ok = false;
        const int number = line.toInt(&ok);
        if (ok && number > 0)
            numbers.push_back(number);
    }
    event->acceptProposedAction();
    if (!numbers.empty())
        on_drop_(numbers);
}

}  // namespace kivo::searching
