// The merge list of the search dialog: shows the entries and takes result
// rows dropped on it (Esc during the drag cancels it, as every drag does).
#pragma once

#include <QListWidget>

#include <functional>
#include <vector>

namespace kivo::searching {

class MergeListView : public QListWidget {
    Q_OBJECT

public:
    using DropHandler = std::function<void(const std::vector<std::int32_t>& record_numbers)>;
    MergeListView(DropHandler on_drop, QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    DropHandler on_drop_;
};

}  // namespace kivo::searching
