// InstantSearchField: the search field of the main window's toolbar. As the
// user types it hides the rows of the record list that the text does not
// match (search::InstantFilter: subject, caller's name and number, and the
// record's keywords from the index, by the search dialog's words rule). Esc
// clears it and shows every row again. A new listing is filtered by the text
// that stands in the field.
#pragma once

#include <QLineEdit>

#include <vector>

#include "kivo/search/instant_filter.h"

class QTableView;

namespace kivo::app {

class MainWindow;

inline constexpr const char* kInstantSearchPlaceholder = "Instant search (Ctrl+F)";

class InstantSearchField : public QLineEdit {
    Q_OBJECT

public:
    explicit InstantSearchField(MainWindow* window, QWidget* parent = nullptr);

    // Shows only the rows that the field's text matches.
    void ApplyFilter();
    // Rows shown after the last filtering.
    int visible_rows() const { return visible_rows_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The filter over the rows listed now, built once per listing.
    const search::InstantFilter& Filter();
    void KeepSelectionToShownRows(const std::vector<bool>& shown);

    MainWindow* window_;
    search::InstantFilter filter_;
    bool filter_current_ = false;
    int visible_rows_ = 0;
};

}  // namespace kivo::app
