// SearchDialog: "Kivo : Search", a thin view over search::RecordSearch.
//
// The user picks the dates, the area and the keywords (with "Smart search"
// widening them with related words), and Search lists the records found,
// the statistics of the words and the count. From the result list a record
// is played or edited (the dialog closes and the main window lists the
// record's kind with the chosen records selected, then runs the command),
// deleted (the main list's questions and messages; then the search runs
// again) or the search run again; printed, sent or exported by the
// window's own commands (result_commands.h). Result rows are dragged into
// the merge list (or added with Insert), which refuses locked records with
// message 7; Merge joins its recordings into one wave for the dictation
// recorder. Studio stays gray: the program has no mixing studio.
//
// By keyboard: every control has its Alt letter; in the results Enter
// plays, Delete deletes, Insert adds to the merge list and the context-menu
// key opens the commands; in the merge list Delete removes the entry.
//
// The dialog reads the working folder of the store its session had open and
// writes only through the session's delete; the "Smart search" box is kept
// in the profile key Csearch.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "kivo/core/record_deletion.h"
#include "kivo/search/merge_list.h"
#include "kivo/search/record_search.h"
#include "kivo/searching/result_commands.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTreeWidget;

namespace kivo::core {
class MessageReporter;
class ShellSession;
}  // namespace kivo::core

namespace kivo::thesaurus {
class Thesaurus;
struct QlwnOpening;
}  // namespace kivo::thesaurus

namespace kivo::searching {

class SearchResultsModel;
class MergeListView;
class ResultOutputButtons;

inline constexpr const char* kSearchDialogTitle = "Kivo : Search";
inline constexpr const char* kSmartSearchKey = "Csearch";

class SearchDialog : public QDialog {
    Q_OBJECT

public:
    // What the user chose to do with result rows when the dialog closed.
    enum class Request { kNone, kPlay, kEdit, kMergedWave };

    SearchDialog(core::ShellSession& session, core::MessageReporter& reporter,
                 QList<QIcon> row_images, QWidget* parent = nullptr);
    ~SearchDialog() override;

    // Uses this thesaurus for smart search instead of the installed
    // dictionaries.
    void SetThesaurus(std::unique_ptr<thesaurus::Thesaurus> thesaurus);
    // Takes the dictionaries from opening(), called on the first smart
    // search; what it returns stays owned by the caller, so that a program
    // opens its dictionaries once for all its searches.
    void SetDictionaries(std::function<const thesaurus::QlwnOpening&()> opening);

    // Print, Send and Export of the selected results (gray until given).
    void SetOutputCommands(ResultOutputCommands commands);

    // The choices, as the Search button reads them.
    search::SearchCriteria Criteria() const;
    void SetCriteria(const search::SearchCriteria& criteria);

    // Search: runs one search with the current choices and shows it.
    void RunSearch();

    // The result-list commands on the selected rows.
    void PlaySelected();
    void EditSelected();
    void DeleteSelected();
    void AddSelectedToMergeList();
    // Adds result rows to the merge list (a drop does the same).
    void AddToMergeList(const std::vector<std::int32_t>& record_numbers);
    // Merge: joins the merge list's recordings into "search.wav" and closes
    // the dialog with kMergedWave (the recorder opens on it); a failure is
    // shown and the dialog stays open.
    void MergeRecordings();
    const std::filesystem::path& merged_wave() const { return merged_wave_; }

    Request request() const { return request_; }
    const std::vector<core::SelectedRecord>& requested_records() const { return requested_; }
    // True when records were deleted here: the main list must be refreshed.
    bool records_changed() const { return records_changed_; }

    SearchResultsModel& results() { return *results_; }
    QTableView* result_view() const { return result_view_; }
    QTreeWidget* statistics_view() const { return statistics_; }
    QListWidget* merge_view() const;
    const search::MergeList& merge_list() const { return merge_; }
    QString records_found_text() const;
    QCheckBox* smart_box() const { return smart_; }
    // The button whose text, without its Alt letter mark, is text.
    QPushButton* button(const QString& text) const;
    QMenu* export_menu() const;
    // The results' context menu for the current selection (the caller owns it).
    QMenu* NewResultMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildChoices();
    QWidget* BuildResults();
    QWidget* BuildMergeList();
    void ShowOutcome(const search::SearchOutcome& outcome);
    void ShowMergeList();
    void MoveMergeEntry(int step);
    void RemoveMergeEntry();
    void UpdateResultButtons();
    // A key pressed in the result list or the merge list; true when it was
    // a command key.
    bool ResultKey(int key);
    bool MergeListKey(int key);
    std::vector<int> SelectedResultRows() const;
    // The record of the first unselected result after the first selected
    // row (else the last one before it); 0 when every result is selected.
    std::int32_t ResultAfterSelection(const std::vector<int>& selected_rows) const;
    // After a delete and the new search: chooses `record_number`'s result,
    // else the one at `row` (the last when the list got shorter), and gives
    // the results the keys, so that Delete goes on down the list.
    void ChooseResultAfterDelete(std::int32_t record_number, int row);
    void CloseWith(Request request);
    thesaurus::Thesaurus* SmartThesaurus();
    void StoreSmartChoice(bool smart);

    core::ShellSession& session_;
    core::MessageReporter& reporter_;
    std::unique_ptr<thesaurus::Thesaurus> thesaurus_;
    std::string thesaurus_problem_;
    bool thesaurus_opened_ = false;
    std::function<const thesaurus::QlwnOpening&()> dictionaries_;
    thesaurus::Thesaurus* shared_thesaurus_ = nullptr;  // from dictionaries_

    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    std::vector<std::pair<QRadioButton*, search::SearchArea>> areas_;
    QPlainTextEdit* keywords_ = nullptr;
    QCheckBox* smart_ = nullptr;
    SearchResultsModel* results_ = nullptr;
    QTableView* result_view_ = nullptr;
    QTreeWidget* statistics_ = nullptr;
    MergeListView* merge_view_ = nullptr;
    QLabel* records_found_ = nullptr;
    std::vector<QPushButton*> row_buttons_;  // enabled with a selection
    ResultOutputButtons* output_ = nullptr;

    search::MergeList merge_;
    Request request_ = Request::kNone;
    std::vector<core::SelectedRecord> requested_;
    bool records_changed_ = false;
    std::filesystem::path merged_wave_;
};

}  // namespace kivo::searching
