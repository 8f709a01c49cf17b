#include "instant_search_field.h"

#include <QKeyEvent>
#include <QTableView>

#include "kivo/filesystem/posix_file_system.h"
#include "main_window.h"

namespace kivo::app {
namespace {

// What a row is searched by: its subject, or its caller's name and number.
std::string SearchedColumns(const core::RecordRow& row, core::ViewKind view) {
    std::string text;
    for (auto role :
         {core::ColumnRole::kSubject, core::ColumnRole::kName, core::ColumnRole::kPhoneNumber}) {
        const int column = core::ColumnOf(view, role);
        if (column >= 0 && column < static_cast<int>(row.columns.size()))
            text += row.columns[static_cast<std::size_t>(column)] + "\n";
    }
    return text;
}

}  // namespace

InstantSearchField::InstantSearchField(MainWindow* window, QWidget* parent)
    : QLineEdit(parent), window_(window) {
    setObjectName(QStringLiteral("instantSearch"));
    setPlaceholderText(QString::fromLatin1(kInstantSearchPlaceholder));
    setClearButtonEnabled(true);
    setMaximumWidth(260);
    connect(this, &QLineEdit::textChanged, this, &InstantSearchField::ApplyFilter);
    // A new listing (another kind, a refresh after a command) is filtered
    // again by the text in the field.
    connect(&window_->records(), &QAbstractItemModel::modelReset, this, [this] {
        filter_current_ = false;
        if (!text().isEmpty())
            ApplyFilter();
        else
            visible_rows_ = window_->records().rowCount();
    });
}

const search::InstantFilter& InstantSearchField::Filter() {
    if (filter_current_)
        return filter_;
    const RecordListModel& records = window_->records();
    std::unordered_map<std::int32_t, std::string> keywords;
    if (window_->session().started()) {
        keywords = search::ReadIndexKeywords(filesystem::DefaultFileSystem(),
                                             window_->session().store().working_folder().string());
    }
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(records.rowCount()));
    for (int row = 0; row < records.rowCount(); ++row) {
        std::string text = SearchedColumns(records.RowAt(row), records.view());
        if (const auto it = keywords.find(records.Id(row).toInt()); it != keywords.end())
            text += it->second;
        texts.push_back(std::move(text));
    }
    filter_ = search::InstantFilter(texts);
    filter_current_ = true;
    return filter_;
}

void InstantSearchField::ApplyFilter() {
    QTableView* view = window_->record_view();
    const int rows = window_->records().rowCount();
    const auto matching = Filter().Matching(text().toStdString());
    std::vector<bool> shown(static_cast<std::size_t>(rows), false);
    for (std::size_t row : matching) {
        if (row < shown.size())
            shown[row] = true;
    }
    view->setUpdatesEnabled(false);
    for (int row = 0; row < rows; ++row) {
        const bool hide = !shown[static_cast<std::size_t>(row)];
        if (view->isRowHidden(row) != hide)
            view->setRowHidden(row, hide);
    }
    KeepSelectionToShownRows(shown);
    view->setUpdatesEnabled(true);
    visible_rows_ = static_cast<int>(matching.size());
    // The count above the list says how many of the found records show.
    QString status = window_->records().StatusText();
    if (visible_rows_ != rows)
        status += tr(" (%1 shown)").arg(visible_rows_);
    window_->ShowSearchStatus(status);
}

// Commands act on the selection: a hidden record leaves it, a chosen one
// that still shows stays chosen (also when the search is cleared). The list
// then shows the chosen records, or else starts at the first record found.
void InstantSearchField::KeepSelectionToShownRows(const std::vector<bool>& shown) {
    QTableView* view = window_->record_view();
    QItemSelectionModel* selection = view->selectionModel();
    QModelIndex first_kept;
    for (const QModelIndex& index : selection->selectedRows()) {
        const auto row = static_cast<std::size_t>(index.row());
        if (row < shown.size() && shown[row]) {
            if (!first_kept.isValid() || index.row() < first_kept.row())
                first_kept = index;
        } else {
            selection->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        }
    }
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), QModelIndex())) {
        view->scrollTo(current);
    } else if (first_kept.isValid()) {
        view->scrollTo(first_kept);
    } else {
        view->scrollToTop();
    }
}

void InstantSearchField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        clear();
        window_->record_view()->setFocus();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Down) {
        window_->record_view()->setFocus();  // on to the rows found
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace kivo::app
