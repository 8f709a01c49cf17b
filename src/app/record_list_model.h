// RecordListModel: the main window's record list as a Qt table model over the
// record list of the shell core (rows, columns and sort state).
//
// Columns and titles are those of the listed kind; the recording-file and
// status columns carry data but are hidden by the view (IsHiddenColumn). Each
// row's text colour follows its status number and column 0 shows the row's
// image. Sorting keeps the core's rules: a click on a new column sorts it
// ascending, a click on the sort column reverses the direction.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "kivo/core/record_deletion.h"
#include "kivo/core/record_list.h"

namespace kivo::app {

// Tool tip of every row of the record list.
inline constexpr const char* kRecordListTip =
    "Double click to open recording. Right click for more options.";

class RecordListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit RecordListModel(QObject* parent = nullptr);

    // Row images by position (the record list's 18 images); rows whose image
    // has no icon show none.
    void SetRowImages(std::vector<QIcon> images);

    // Lists a kind from its record log in the working folder. Returns the
    // number of rows.
    int List(core::ViewKind view, const std::filesystem::path& working_folder);
    // Shows rows found elsewhere as a listing of view.
    void Show(core::ViewKind view, std::vector<core::RecordRow> rows);

    core::ViewKind view() const { return list_.view(); }
    const core::RecordList& list() const { return list_; }
    const core::RecordRow& RowAt(int row) const;
    int sort_column() const { return list_.sort_column(); }
    Qt::SortOrder sort_order() const;
    // "Total dictations found = 12" and the like.
    QString StatusText() const;

    // A click on a column header.
    void ClickHeader(int column);

    // The texts of a row by what they hold.
    QString Id(int row) const;
    std::string RecordingFile(int row) const;
    int Status(int row) const;

    // The selected records (rows in selection order) for deletion and the
    // other commands that act on a selection.
    std::vector<core::SelectedRecord> CollectSelection(std::span<const int> rows) const;

    // Zero- and one-pixel columns hold data the user does not see.
    static bool IsHiddenColumn(core::ViewKind view, int column);

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // The sort column or direction changed (after a listing too).
    void sortChanged(int column, Qt::SortOrder order);

private:
    template <typename SortAction>
    void ResortKeepingPersistentRows(SortAction sort_action);
    QString Column(int row, core::ColumnRole role) const;

    core::RecordList list_;
    std::vector<QIcon> images_;
};

}  // namespace kivo::app
