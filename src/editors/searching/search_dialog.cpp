#include "kivo/searching/search_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "kivo/core/shell_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/searching/recording_merge.h"
#include "kivo/searching/search_results_model.h"
#include "kivo/thesaurus/qlwn.h"
#include "merge_list_view.h"
#include "result_output_buttons.h"

namespace kivo::searching {
namespace {

constexpr int kKeywordsMaxCharacters = 4999;
constexpr const char* kDateFormat = "dd/MM/yyyy";

std::int32_t DateNumberOf(const QDate& date) {
    return search::DateNumber(date.year(), date.month(), date.day());
}

QDate DateOfNumber(std::int32_t number) {
    return QDate(number / 10000, number / 100 % 100, number % 100);
}

QPushButton* Button(const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SearchDialog::SearchDialog(core::ShellSession& session, core::MessageReporter& reporter,
                           QList<QIcon> row_images, QWidget* parent)
    : QDialog(parent), session_(session), reporter_(reporter) {
    setWindowTitle(QString::fromLatin1(kSearchDialogTitle));
    setModal(true);
    results_ = new SearchResultsModel(this);
    results_->SetRowImages(std::move(row_images));

    auto* layout = new QGridLayout(this);
    layout->addWidget(BuildChoices(), 0, 0, 1, 2);
    layout->addWidget(BuildResults(), 1, 0);
    layout->addWidget(BuildMergeList(), 1, 1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);

    // Csearch: "Y" ticks the box; a missing key is written "N".
    const auto stored = session_.profile().Find(session_.section(), kSmartSearchKey);
    if (!stored)
        session_.profile().Write(session_.section(), kSmartSearchKey, "N");
    smart_->setChecked(stored && *stored == "Y");
    connect(smart_, &QCheckBox::toggled, this, [this](bool on) { StoreSmartChoice(on); });
    UpdateResultButtons();
    keywords_->setFocus();  // most searches start with a word
    resize(980, 640);
}

SearchDialog::~SearchDialog() = default;

QWidget* SearchDialog::BuildChoices() {
    auto* box = new QWidget(this);
    auto* layout = new QGridLayout(box);
    from_ = new QDateEdit(QDate(1990, 1, 1), box);
    to_ = new QDateEdit(QDate::currentDate(), box);
    for (QDateEdit* edit : {from_, to_}) {
        edit->setDisplayFormat(QString::fromLatin1(kDateFormat));
        edit->setCalendarPopup(true);
    }
    const auto label = [box](const char* text, QWidget* buddy) {
        auto* made = new QLabel(QString::fromLatin1(text), box);
        made->setBuddy(buddy);
        return made;
    };
    layout->addWidget(label("&From :", from_), 0, 0);
    layout->addWidget(from_, 0, 1);
    layout->addWidget(label("&To :", to_), 1, 0);
    layout->addWidget(to_, 1, 1);

    auto* areas = new QGroupBox(QStringLiteral("Area"), box);
    auto* area_layout = new QGridLayout(areas);
    const std::pair<const char*, search::SearchArea> choices[] = {
        {"Di&ctation", search::SearchArea::kDictation},
        {"&Meeting", search::SearchArea::kMeeting},
        {"P&hone", search::SearchArea::kPhone},
        {"Diar&y", search::SearchArea::kDiary},
        {"Trans&lation", search::SearchArea::kTranslation},
        {"&All areas (except video)", search::SearchArea::kAllExceptVideo},
        {"&Video", search::SearchArea::kVideo},
    };
    int position = 0;
    for (const auto& [text, area] : choices) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), areas);
        area_layout->addWidget(radio, position / 4, position % 4);
        areas_.emplace_back(radio, area);
        ++position;
    }
    SetCriteria({});
    layout->addWidget(areas, 0, 2, 2, 1);

    keywords_ = new QPlainTextEdit(box);
    keywords_->installEventFilter(this);
    keywords_->setTabChangesFocus(true);  // words are cut at tabs anyway
    keywords_->setMaximumHeight(60);
    connect(keywords_, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = keywords_->toPlainText();
        if (text.size() > kKeywordsMaxCharacters)
            keywords_->setPlainText(text.left(kKeywordsMaxCharacters));
    });
    layout->addWidget(label("&Keywords/Notes", keywords_), 2, 0);
    layout->addWidget(keywords_, 2, 1, 1, 2);
    smart_ = new QCheckBox(QStringLiteral("&Smart search"), box);
    auto* search = Button("Sea&rch", box);
    search->setDefault(true);
    auto* cancel = Button("Cancel", box);
    connect(search, &QPushButton::clicked, this, &SearchDialog::RunSearch);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(smart_);
    buttons->addWidget(search);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 0, 3, 3, 1);
    layout->setColumnStretch(2, 1);
    return box;
}

QWidget* SearchDialog::BuildResults() {
    auto* box = new QGroupBox(QStringLiteral("Search Results"), this);
    auto* layout = new QVBoxLayout(box);
    result_view_ = new QTableView(box);
    result_view_->setModel(results_);
    result_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    result_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    result_view_->setSortingEnabled(true);
    result_view_->sortByColumn(-1, Qt::AscendingOrder);  // index order until a click
    result_view_->setDragEnabled(true);
    result_view_->setDragDropMode(QAbstractItemView::DragOnly);
    result_view_->setIconSize(QSize(16, 16));
    result_view_->verticalHeader()->hide();
    result_view_->verticalHeader()->setDefaultSectionSize(20);
    result_view_->setShowGrid(false);
    for (int column = 0; column < SearchResultsModel::kRecordingFileColumn; ++column)
        result_view_->setColumnWidth(column, search::kResultColumns[column].width_px);
    result_view_->setColumnHidden(SearchResultsModel::kRecordingFileColumn, true);
    result_view_->horizontalHeader()->setStretchLastSection(true);
    connect(result_view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SearchDialog::UpdateResultButtons);
    connect(result_view_, &QTableView::doubleClicked, this, &SearchDialog::PlaySelected);
    result_view_->installEventFilter(this);
    result_view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(result_view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(NewResultMenu());
        menu->exec(result_view_->viewport()->mapToGlobal(at));
    });
    layout->addWidget(result_view_, 1);

    auto* commands = new QHBoxLayout;
    const std::pair<const char*, void (SearchDialog::*)()> row_commands[] = {
        {"&Play", &SearchDialog::PlaySelected},
        {"&Edit", &SearchDialog::EditSelected},
        {"&Delete", &SearchDialog::DeleteSelected},
    };
    for (const auto& [text, slot] : row_commands) {
        auto* button = Button(text, box);
        connect(button, &QPushButton::clicked, this, slot);
        row_buttons_.push_back(button);
        commands->addWidget(button);
    }
    auto* again = Button("Search again", box);
    again->setMinimumWidth(again->sizeHint().width() + 8);
    connect(again, &QPushButton::clicked, this, &SearchDialog::RunSearch);
    commands->addWidget(again);
    output_ = new ResultOutputButtons(commands, this,
                                      [this] { return results_->Selection(SelectedResultRows()); });
    layout->addLayout(commands);

    auto* bottom = new QHBoxLayout;
    statistics_ = new QTreeWidget(box);
    statistics_->setHeaderLabels({QStringLiteral("Word"), QStringLiteral("Matches")});
    statistics_->setRootIsDecorated(false);
    statistics_->setColumnWidth(0, 220);
    statistics_->setMaximumHeight(130);
    auto* statistics_box = new QVBoxLayout;
    statistics_box->addWidget(new QLabel(QStringLiteral("Search Statistics"), box));
    statistics_box->addWidget(statistics_);
    bottom->addLayout(statistics_box, 1);
    auto* found_box = new QVBoxLayout;
    found_box->addWidget(new QLabel(QStringLiteral("Records found"), box));
    records_found_ = new QLabel(QStringLiteral("0"), box);
    records_found_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    found_box->addWidget(records_found_);
    found_box->addStretch();
    bottom->addLayout(found_box);
    layout->addLayout(bottom);
    return box;
}

QWidget* SearchDialog::BuildMergeList() {
    auto* box = new QGroupBox(QStringLiteral("Merge List"), this);
    box->setMaximumWidth(380);
    auto* layout = new QVBoxLayout(box);
    merge_view_ = new MergeListView(
        [this](const std::vector<std::int32_t>& numbers) { AddToMergeList(numbers); }, box);
    merge_view_->installEventFilter(this);
    layout->addWidget(merge_view_, 1);
    auto* buttons = new QHBoxLayout;
    auto* up = Button("&Up", box);
    up->setToolTip(QStringLiteral("Move the recording up the merge list"));
    connect(up, &QPushButton::clicked, this, [this] { MoveMergeEntry(-1); });
    auto* remove = Button("Rem&ove", box);
    remove->setToolTip(QStringLiteral("Take the recording off the merge list"));
    connect(remove, &QPushButton::clicked, this, &SearchDialog::RemoveMergeEntry);
    auto* down = Button("Do&wn", box);
    down->setToolTip(QStringLiteral("Move the recording down the merge list"));
    connect(down, &QPushButton::clicked, this, [this] { MoveMergeEntry(1); });
    auto* merge = Button("Mer&ge", box);
    merge->setToolTip(QStringLiteral("Join the recordings into a new dictation"));
    connect(merge, &QPushButton::clicked, this, &SearchDialog::MergeRecordings);
    // Studio would open the mixing studio, which this program does not have
    // (the merge above is its one way of joining recordings).
    auto* studio = Button("Studio", box);
    studio->setToolTip(QStringLiteral("Mix the recordings in the studio (Kivo has no studio)"));
    studio->setEnabled(false);
    for (auto* button : {up, remove, down, merge, studio})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    return box;
}

void SearchDialog::SetThesaurus(std::unique_ptr<thesaurus::Thesaurus> thesaurus) {
    thesaurus_ = std::move(thesaurus);
    thesaurus_opened_ = true;
    thesaurus_problem_.clear();
}

void SearchDialog::SetDictionaries(std::function<const thesaurus::QlwnOpening&()> opening) {
    dictionaries_ = std::move(opening);
    thesaurus_opened_ = false;
}

void SearchDialog::SetOutputCommands(ResultOutputCommands commands) {
    output_->SetCommands(std::move(commands));
}

search::SearchCriteria SearchDialog::Criteria() const {
    search::SearchCriteria criteria;
    criteria.from_date = DateNumberOf(from_->date());
    criteria.to_date = DateNumberOf(to_->date());
    for (const auto& [radio, area] : areas_) {
        if (radio->isChecked())
            criteria.area = area;
    }
    criteria.keywords = keywords_ != nullptr ? keywords_->toPlainText().toStdString() : "";
    criteria.smart = smart_ != nullptr && smart_->isChecked();
    return criteria;
}

void SearchDialog::SetCriteria(const search::SearchCriteria& criteria) {
    if (criteria.from_date > 0)
        from_->setDate(DateOfNumber(criteria.from_date));
    if (criteria.to_date < 99991231)
        to_->setDate(DateOfNumber(criteria.to_date));
    for (const auto& [radio, area] : areas_)
        radio->setChecked(area == criteria.area);
    if (keywords_ != nullptr)
        keywords_->setPlainText(QString::fromStdString(criteria.keywords));
    if (smart_ != nullptr)
        smart_->setChecked(criteria.smart);
}

thesaurus::Thesaurus* SearchDialog::SmartThesaurus() {
    if (!thesaurus_opened_) {
        thesaurus_opened_ = true;
        if (dictionaries_) {
            const thesaurus::QlwnOpening& opening = dictionaries_();
            shared_thesaurus_ = opening.thesaurus.get();
            thesaurus_problem_ = opening.message;
            thesaurus_.reset();
        } else {
            auto opening = thesaurus::OpenQlwn();
            thesaurus_ = std::move(opening.thesaurus);
            thesaurus_problem_ = opening.message;
        }
    }
    return thesaurus_ != nullptr ? thesaurus_.get() : shared_thesaurus_;
}

void SearchDialog::StoreSmartChoice(bool smart) {
    session_.profile().Write(session_.section(), kSmartSearchKey, smart ? "Y" : "N");
}

void SearchDialog::RunSearch() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    search::SearchCriteria criteria = Criteria();
    thesaurus::Thesaurus* thesaurus = criteria.smart ? SmartThesaurus() : nullptr;
    if (criteria.smart && thesaurus == nullptr) {
        QApplication::restoreOverrideCursor();
        reporter_.ReportText(
            thesaurus_problem_.empty() ? thesaurus::kNoDictionaryText : thesaurus_problem_,
            core::kStyleInformation);
        smart_->setChecked(false);
        criteria.smart = false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    const search::RecordSearch searcher(filesystem::DefaultFileSystem(),
                                        session_.store().working_folder().string());
    const search::SearchOutcome outcome = searcher.Run(criteria, thesaurus);
    QApplication::restoreOverrideCursor();
    if (outcome.message_code == search::kIndexMissingMessage) {
        reporter_.ReportMessage(search::kIndexMissingMessage, core::kStyleExclamation);
        reject();
        return;
    }
    ShowOutcome(outcome);
    if (outcome.message_code == search::kNothingFoundMessage)
        reporter_.ReportMessage(search::kNothingFoundMessage, core::kStyleInformation);
}

void SearchDialog::ShowOutcome(const search::SearchOutcome& outcome) {
    result_view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    results_->SetRows(outcome.rows);
    statistics_->clear();
    for (const auto& row : outcome.statistics) {
        new QTreeWidgetItem(statistics_,
                            {QString::fromStdString(row.word), QString::number(row.matches)});
    }
    records_found_->setText(QString::number(outcome.rows.size()));
    UpdateResultButtons();
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event) {
    // Reached by Tab, the results select a row, so that Enter, Delete and
    // Insert have one to act on from the first key.
    if (watched == result_view_ && event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool by_keyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                 reason == Qt::ShortcutFocusReason;
        if (by_keyboard && results_->rowCount() > 0 &&
            !result_view_->selectionModel()->hasSelection()) {
            const QModelIndex current = result_view_->currentIndex();
            result_view_->selectRow(current.isValid() ? current.row() : 0);
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && watched == result_view_ && ResultKey(key->key()))
            return true;
        if (plain && watched == merge_view_ && MergeListKey(key->key()))
            return true;
    }
    // Enter in the keywords searches; Shift+Enter starts a new line.
    if (watched == keywords_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & Qt::ShiftModifier)) {
            RunSearch();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool SearchDialog::ResultKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            PlaySelected();
            return true;
        case Qt::Key_Delete:
            DeleteSelected();
            return true;
        case Qt::Key_Insert:
            AddSelectedToMergeList();
            return true;
        default:
            return false;
    }
}

bool SearchDialog::MergeListKey(int key) {
    if (key != Qt::Key_Delete)
        return false;
    RemoveMergeEntry();
    return true;
}

QMenu* SearchDialog::NewResultMenu() {
    auto* menu = new QMenu(this);
    const bool any = result_view_->selectionModel()->hasSelection();
    const std::pair<const char*, void (SearchDialog::*)()> row_commands[] = {
        {"&Play", &SearchDialog::PlaySelected},
        {"&Edit", &SearchDialog::EditSelected},
        {"&Delete", &SearchDialog::DeleteSelected},
        {"Add to &Merge List", &SearchDialog::AddSelectedToMergeList},
    };
    for (const auto& [text, slot] : row_commands)
        menu->addAction(QString::fromLatin1(text), this, slot)->setEnabled(any);
    menu->addSeparator();
    output_->AddTo(menu);
    return menu;
}

QMenu* SearchDialog::export_menu() const {
    return output_->export_menu();
}

QString SearchDialog::records_found_text() const {
    return records_found_->text();
}

QListWidget* SearchDialog::merge_view() const {
    return merge_view_;
}

QPushButton* SearchDialog::button(const QString& text) const {
    for (auto* candidate : findChildren<QPushButton*>()) {
        if (QString(candidate->text()).remove(QLatin1Char('&')) == text)
            return candidate;
    }
    return nullptr;
}

std::vector<int> SearchDialog::SelectedResultRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : result_view_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SearchDialog::UpdateResultButtons() {
    const bool any = result_view_ != nullptr && result_view_->selectionModel()->hasSelection();
    for (auto* button : row_buttons_)
        button->setEnabled(any);
    if (output_ != nullptr)
        output_->Update();
}

void SearchDialog::CloseWith(Request request) {
    auto selection = results_->Selection(SelectedResultRows());
    if (selection.empty())
        return;
    request_ = request;
    requested_ = std::move(selection);
    accept();
}

void SearchDialog::PlaySelected() {
    CloseWith(Request::kPlay);
}

void SearchDialog::EditSelected() {
    CloseWith(Request::kEdit);
}

void SearchDialog::DeleteSelected() {
    const std::vector<int> rows = SelectedResultRows();
    const auto selection = results_->Selection(rows);
    if (selection.empty())
        return;
    char id[16];
    std::snprintf(id, sizeof id, "%08d", static_cast<int>(selection.front().record_number));
    if (!session_.ConfirmDelete(selection, id))
        return;
    // Found by its record: the search runs again in index order, whatever
    // column the user had sorted by.
    const std::int32_t next = ResultAfterSelection(rows);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session_.EraseRecords(selection);
    QApplication::restoreOverrideCursor();
    records_changed_ = true;
    RunSearch();
    ChooseResultAfterDelete(next, rows.front());
}

std::int32_t SearchDialog::ResultAfterSelection(const std::vector<int>& selected_rows) const {
    const auto& rows = results_->rows();
    const auto unselected = [&](int row) {
        return !std::binary_search(selected_rows.begin(), selected_rows.end(), row);
    };
    const int first = selected_rows.front();
    for (int row = first + 1; row < static_cast<int>(rows.size()); ++row) {
        if (unselected(row))
            return rows[static_cast<std::size_t>(row)].record_number;
    }
    for (int row = first - 1; row >= 0; --row) {
        if (unselected(row))
            return rows[static_cast<std::size_t>(row)].record_number;
    }
    return 0;
}

void SearchDialog::ChooseResultAfterDelete(std::int32_t record_number, int row) {
    const auto& rows = results_->rows();
    if (rows.empty())
        return;
    row = std::min(row, static_cast<int>(rows.size()) - 1);
    for (std::size_t at = 0; at < rows.size(); ++at) {
        if (record_number != 0 && rows[at].record_number == record_number)
            row = static_cast<int>(at);
    }
    result_view_->selectRow(row);
    result_view_->scrollTo(results_->index(row, 0));
    result_view_->setFocus(Qt::OtherFocusReason);
}

void SearchDialog::AddSelectedToMergeList() {
    std::vector<std::int32_t> numbers;
    for (const auto& record : results_->Selection(SelectedResultRows()))
        numbers.push_back(record.record_number);
    AddToMergeList(numbers);
}

void SearchDialog::AddToMergeList(const std::vector<std::int32_t>& record_numbers) {
    for (std::int32_t number : record_numbers) {
        const search::SearchRow* row = results_->Find(number);
        if (row == nullptr)
            continue;
        if (merge_.Add(*row) == search::MergeList::Added::kLocked)
            reporter_.ReportMessage(search::kLockedRecordMessage, core::kStyleInformation);
    }
    ShowMergeList();
}

void SearchDialog::MergeRecordings() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RecordingMergeResult merged = searching::MergeRecordings(
        merge_.entries(), session_.store().working_folder(), session_.store().store_path());
    QApplication::restoreOverrideCursor();
    if (!merged.ok) {
        reporter_.ReportText(merged.error, core::kStyleExclamation);
        return;
    }
    merged_wave_ = merged.wave;
    request_ = Request::kMergedWave;
    accept();
}

void SearchDialog::ShowMergeList() {
    const int current = merge_view_->currentRow();
    merge_view_->clear();
    for (const auto& entry : merge_.entries())
        merge_view_->addItem(QString::fromStdString(entry.id + "  " + entry.information));
    merge_view_->setCurrentRow(std::min(current, merge_view_->count() - 1));
}

void SearchDialog::MoveMergeEntry(int step) {
    const int current = merge_view_->currentRow();
    if (current < 0)
        return;
    const auto position = static_cast<std::size_t>(current);
    const bool moved = step < 0 ? merge_.MoveUp(position) : merge_.MoveDown(position);
    ShowMergeList();
    if (moved)
        merge_view_->setCurrentRow(current + step);
}

void SearchDialog::RemoveMergeEntry() {
    const int current = merge_view_->currentRow();
    if (current >= 0 && merge_.Remove(static_cast<std::size_t>(current)))
        ShowMergeList();
}

}  // namespace kivo::searching
