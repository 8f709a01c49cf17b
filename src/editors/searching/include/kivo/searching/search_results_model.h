// SearchResultsModel: the rows of the search dialog's result list ("ID",
// "Date", "Information", and a hidden column with the recording file), with
// the record icons, sortable by any visible column.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>

#include <vector>

#include "kivo/core/record_deletion.h"
#include "kivo/search/record_search.h"

namespace kivo::searching {

// The list a record of this kind code is shown in; kNone for an unknown one.
core::ViewKind ViewOfKindCode(const std::string& kind_code);
// The record image (core::RecordImage) of a result row.
int ImageOfRow(const search::SearchRow& row);

// The MIME type of result rows dragged to the merge list: their record
// numbers as text, one a line.
inline constexpr const char* kResultRowsMimeType = "application/x-kivo-search-rows";

class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SearchResultsModel(QObject* parent = nullptr);

    // Icons by record image number (the main list's image list).
    void SetRowImages(QList<QIcon> images);
    void SetRows(std::vector<search::SearchRow> rows);
    const std::vector<search::SearchRow>& rows() const { return rows_; }
    // The row of a record number; nullptr when it is not listed.
    const search::SearchRow* Find(std::int32_t record_number) const;

    // The records of the given rows as the list commands take them.
    std::vector<core::SelectedRecord> Selection(const std::vector<int>& rows) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    static constexpr int kRecordingFileColumn = 3;

private:
    std::vector<search::SearchRow> rows_;
    QList<QIcon> images_;
};

}  // namespace kivo::searching
