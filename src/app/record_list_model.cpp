// The record list model: rows, colours, images and sorting.
#include "record_list_model.h"

#include <QBrush>
#include <QColor>
#include <QHash>

#include <algorithm>

namespace kivo::app {
namespace {

QColor ToQColor(core::Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace

RecordListModel::RecordListModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordListModel::SetRowImages(std::vector<QIcon> images) {
    images_ = std::move(images);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

int RecordListModel::List(core::ViewKind view, const std::filesystem::path& working_folder) {
    beginResetModel();
    const int count = list_.List(view, working_folder);
    endResetModel();
    emit sortChanged(sort_column(), sort_order());
    return count;
}

void RecordListModel::Show(core::ViewKind view, std::vector<core::RecordRow> rows) {
    beginResetModel();
    list_.Show(view, std::move(rows));
    endResetModel();
    emit sortChanged(sort_column(), sort_order());
}

const core::RecordRow& RecordListModel::RowAt(int row) const {
    return list_.rows().at(static_cast<std::size_t>(row));
}

Qt::SortOrder RecordListModel::sort_order() const {
    return list_.descending() ? Qt::DescendingOrder : Qt::AscendingOrder;
}

QString RecordListModel::StatusText() const {
    return QString::fromStdString(list_.StatusText());
}

void RecordListModel::ClickHeader(int column) {
    ResortKeepingPersistentRows([&] { list_.ClickHeader(column); });
}

void RecordListModel::sort(int column, Qt::SortOrder order) {
    if (view() == core::ViewKind::kNone || column < 0 || column >= columnCount())
        return;
    ResortKeepingPersistentRows([&] { list_.SetSort(column, order == Qt::DescendingOrder); });
}

// Sorting moves rows; selections and current indexes follow their records.
// Rows are told apart by their position in the record log, which is unique
// within one listing.
template <typename SortAction>
void RecordListModel::ResortKeepingPersistentRows(SortAction sort_action) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint64_t> offsets;
    offsets.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        offsets.push_back(RowAt(index.row()).log_offset);

    sort_action();

    QHash<quint64, int> row_of_offset;
    if (!before.isEmpty()) {
        for (int row = 0; row < rowCount(); ++row)
            row_of_offset.insert(RowAt(row).log_offset, row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = row_of_offset.value(offsets[static_cast<std::size_t>(i)], -1);
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit sortChanged(sort_column(), sort_order());
}

QString RecordListModel::Column(int row, core::ColumnRole role) const {
    const int column = core::ColumnOf(view(), role);
    if (column < 0)
        return {};
    const auto& columns = RowAt(row).columns;
    if (static_cast<std::size_t>(column) >= columns.size())
        return {};
    return QString::fromStdString(columns[static_cast<std::size_t>(column)]);
}

QString RecordListModel::Id(int row) const {
    return Column(row, core::ColumnRole::kId);
}

std::string RecordListModel::RecordingFile(int row) const {
    return Column(row, core::ColumnRole::kRecordingFile).toStdString();
}

int RecordListModel::Status(int row) const {
    return RowAt(row).status();
}

std::vector<core::SelectedRecord> RecordListModel::CollectSelection(
    std::span<const int> rows) const {
    std::vector<core::SelectedRecord> selection;
    selection.reserve(rows.size());
    for (int row : rows) {
        if (row < 0 || row >= rowCount())
            continue;
        core::SelectedRecord record;
        record.record_number = Id(row).toInt();
        record.view = view();
        record.recording_file = RecordingFile(row);
        selection.push_back(std::move(record));
    }
    return selection;
}

bool RecordListModel::IsHiddenColumn(core::ViewKind view, int column) {
    if (view == core::ViewKind::kNone)
        return false;
    const auto& columns = core::ListKind(view).columns;
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size())
        return false;
    return columns[static_cast<std::size_t>(column)].width_px <= 1;
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(list_.rows().size());
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || view() == core::ViewKind::kNone)
        return 0;
    return static_cast<int>(core::ListKind(view()).columns.size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const core::RecordRow& row = RowAt(index.row());
    switch (role) {
        case Qt::DisplayRole: {
            const auto column = static_cast<std::size_t>(index.column());
            return column < row.columns.size() ? QString::fromStdString(row.columns[column])
                                               : QString();
        }
        case Qt::ToolTipRole:
            return QString::fromLatin1(kRecordListTip);
        case Qt::ForegroundRole:
            return QBrush(ToQColor(core::StatusColour(row.status())));
        case Qt::DecorationRole:
            if (index.column() == 0 && row.image >= 0 &&
                static_cast<std::size_t>(row.image) < images_.size()) {
                return images_[static_cast<std::size_t>(row.image)];
            }
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return {};
    }
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const core::ListColumn& column =
        core::ListKind(view()).columns[static_cast<std::size_t>(section)];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromUtf8(column.title);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        case Qt::InitialSortOrderRole:
            return QVariant::fromValue(Qt::AscendingOrder);
        default:
            return {};
    }
}

}  // namespace kivo::app
