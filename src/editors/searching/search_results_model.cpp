#include "kivo/searching/search_results_model.h"

#include <QMimeData>

#include <algorithm>
#include <set>

#include "kivo/core/record_list.h"

namespace kivo::searching {

core::ViewKind ViewOfKindCode(const std::string& kind_code) {
    const auto type = search::RecordTypeOf(kind_code);
    if (!type)
        return core::ViewKind::kNone;
    switch (*type) {
        case 0:
        case 5:
            return core::ViewKind::kDictation;
        case 1:
            return core::ViewKind::kMeeting;
        case 2:
        case 3:
            return core::ViewKind::kPhone;
        case 4:
            return core::ViewKind::kDiary;
        case 9:
            return core::ViewKind::kVideo;
        default:
            return *type >= 11 && *type <= 16 ? core::ViewKind::kTranslation
                                              : core::ViewKind::kNone;
    }
}

int ImageOfRow(const search::SearchRow& row) {
    if (row.locked)
        return core::kImageLocked;
    const int type = search::RecordTypeOf(row.kind_code).value_or(0);
    switch (type) {
        case 1:
            return core::kImageMeeting;
        case 2:
            return core::kImagePhoneAnswered;
        case 3:
            return core::kImagePhoneRecorded;
        case 4:
            return core::kImageDiary;
        case 5:
            return core::kImageWaveMessage;
        case 9:
            return core::kImageVideo;
        default:
            return type > 10 ? core::kImageTranslation : core::kImageMessage;
    }
}

SearchResultsModel::SearchResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

void SearchResultsModel::SetRowImages(QList<QIcon> images) {
    images_ = std::move(images);
}

void SearchResultsModel::SetRows(std::vector<search::SearchRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const search::SearchRow* SearchResultsModel::Find(std::int32_t record_number) const {
    for (const auto& row : rows_) {
        if (row.record_number == record_number)
            return &row;
    }
    return nullptr;
}

std::vector<core::SelectedRecord> SearchResultsModel::Selection(
    const std::vector<int>& rows) const {
    std::vector<core::SelectedRecord> records;
    for (int row : rows) {
        if (row < 0 || row >= static_cast<int>(rows_.size()))
            continue;
        const auto& found = rows_[static_cast<std::size_t>(row)];
        records.push_back(
            {found.record_number, ViewOfKindCode(found.kind_code), found.recording_file});
    }
    return records;
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRecordingFileColumn + 1;
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const auto& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        if (index.column() == kRecordingFileColumn)
            return QString::fromStdString(row.recording_file);
        const auto texts = search::ResultTexts(row);
        return QString::fromStdString(texts[static_cast<std::size_t>(index.column())]);
    }
    if (role == Qt::DecorationRole && index.column() == 0) {
        const int image = ImageOfRow(row);
        return image < images_.size() ? QVariant(images_[image]) : QVariant();
    }
    if (role == Qt::ForegroundRole)
        return QColor(10, 20, 200);
    return {};
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section >= 0 && section < kRecordingFileColumn)
        return QString::fromLatin1(search::kResultColumns[section].title);
    return {};
}

void SearchResultsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kRecordingFileColumn)
        return;
    beginResetModel();
    const auto key_less = [column](const search::SearchRow& a, const search::SearchRow& b) {
        if (column == 1)
            return a.date_order < b.date_order;
        const auto& ta = column == 0 ? a.id : a.information;
        const auto& tb = column == 0 ? b.id : b.information;
        return QString::fromStdString(ta).compare(QString::fromStdString(tb), Qt::CaseInsensitive) <
               0;
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const auto& a, const auto& b) {
        return order == Qt::AscendingOrder ? key_less(a, b) : key_less(b, a);
    });
    endResetModel();
}

Qt::ItemFlags SearchResultsModel::flags(const QModelIndex& index) const {
    auto flags = QAbstractTableModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList SearchResultsModel::mimeTypes() const {
    return {QString::fromLatin1(kResultRowsMimeType)};
}

QMimeData* SearchResultsModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const auto& index : indexes)
        rows.insert(index.row());
    QString text;
    for (int row : rows) {
        if (row >= 0 && row < static_cast<int>(rows_.size()))
            text += QString::number(rows_[static_cast<std::size_t>(row)].record_number) + "\n";
    }
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kResultRowsMimeType), text.toLatin1());
    return data;
}

}  // namespace kivo::searching
