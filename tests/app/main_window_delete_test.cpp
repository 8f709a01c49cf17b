// Where the record list stands after a delete, on Qt's offscreen platform:
// the record that took the first deleted one's place is chosen and shown,
// the list keeps the keys so that Delete goes on down the list, and a row
// the instant search hides is never chosen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "instant_search_field.h"
#include "main_window.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowDeleteTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
        window_->resize(900, 420);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    // Lists `count` dictations, numbered from 1 in list order; the odd ones
    // are about apples, the even ones about pears.
    void ListDictations(int count) {
        std::vector<test::RecordFields> records;
        for (int number = 1; number <= count; ++number) {
            char date[32];
            std::snprintf(date, sizeof date, "01/%02d/%04d", 1 + number % 12, 2000 + number);
            records.push_back(test::Dictation(
                number, (number % 2 == 1 ? "apple " : "pear ") + std::to_string(number), date,
                "00:00:05"));
        }
        test::WriteWorkingLog(window_->session().store().working_folder(), "Voxwren.xrr", records);
        window_->ShowKind(ViewKind::kDictation);
        ASSERT_EQ(window_->records().rowCount(), count);
    }
    QTableView* list() { return window_->record_view(); }
    std::string IdAt(int row) { return window_->records().Id(row).toStdString(); }
    void SelectRows(int first, int last) {
        QItemSelectionModel* selection = list()->selectionModel();
        selection->select(
            QItemSelection(window_->records().index(first, 0), window_->records().index(last, 0)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->setCurrentIndex(window_->records().index(first, 0),
                                   QItemSelectionModel::NoUpdate);
        list()->scrollTo(window_->records().index(first, 0));
    }
    void PressDeleteInTheList() {
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Delete);
    }
    std::vector<std::string> ChosenIds() {
        std::vector<std::string> ids;
        for (int row : window_->SelectedRows())
            ids.push_back(IdAt(row));
        return ids;
    }
    // The chosen row stands inside the list's visible area.
    bool ChosenRowIsInView() {
        const std::vector<int> rows = window_->SelectedRows();
        if (rows.size() != 1)
            return false;
        const QRect cell = list()->visualRect(window_->records().index(rows.front(), 1));
        return list()->viewport()->rect().contains(cell);
    }
    // Deletes rows first..last by the Delete key; the record that stood at
    // old_row must then be the only one chosen, standing at new_row.
    void DeleteRowsExpectingChosen(int first, int last, int old_row, int new_row) {
        SelectRows(first, last);
        const std::string expected = IdAt(old_row);
        const int rows_left = window_->records().rowCount() - (last - first + 1);
        PressDeleteInTheList();
        ASSERT_EQ(window_->records().rowCount(), rows_left);
        EXPECT_EQ(ChosenIds(), std::vector<std::string>{expected});
        EXPECT_EQ(list()->currentIndex().row(), new_row);
    }
    const std::string& LastQuestion() {
        for (auto it = reporter_.reports().rbegin(); it != reporter_.reports().rend(); ++it) {
            if (it->style == core::kStyleQuestion)
                return it->text;
        }
        static const std::string none;
        return none;
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowDeleteTest, DeleteInALongListChoosesTheNextRecordShowsItAndDeleteOffersItNext) {
    ListDictations(300);
    SelectRows(200, 200);
    const std::string next = IdAt(201);
    const std::string after_next = IdAt(202);
    // The list was scrolled away from the record in the meantime.
    list()->scrollToTop();
    PressDeleteInTheList();

    ASSERT_EQ(window_->records().rowCount(), 299);
    EXPECT_EQ(ChosenIds(), std::vector<std::string>{next});
    EXPECT_EQ(window_->current_record().id, next);
    EXPECT_EQ(list()->currentIndex().row(), 200);
    EXPECT_TRUE(ChosenRowIsInView());
    EXPECT_TRUE(list()->hasFocus());
    EXPECT_TRUE(window_->commands().action(Command::kDelete)->isEnabled());

    // Delete again goes on down the list.
    PressDeleteInTheList();
    EXPECT_EQ(LastQuestion(), "Are you sure you want to delete message ID : " + next);
    EXPECT_EQ(ChosenIds(), std::vector<std::string>{after_next});
}

TEST_F(MainWindowDeleteTest, TheActionMenusDeleteGivesTheKeysBackToTheList) {
    ListDictations(5);
    SelectRows(1, 1);
    const std::string next = IdAt(2);
    auto* field = window_->findChild<InstantSearchField*>();
    ASSERT_NE(field, nullptr);
    field->setFocus();
    ASSERT_FALSE(list()->hasFocus());
    window_->commands().action(Command::kDelete)->trigger();

    EXPECT_EQ(ChosenIds(), std::vector<std::string>{next});
    EXPECT_TRUE(list()->hasFocus());
}

TEST_F(MainWindowDeleteTest, DeletingTheLastRecordChoosesTheNewLastAndTheOnlyOneChoosesNothing) {
    ListDictations(6);
    DeleteRowsExpectingChosen(5, 5, 4, 4);

    list()->selectAll();
    PressDeleteInTheList();
    ASSERT_EQ(window_->records().rowCount(), 0);
    EXPECT_TRUE(window_->SelectedRows().empty());
    EXPECT_TRUE(window_->current_record().empty());
    EXPECT_FALSE(window_->commands().action(Command::kDelete)->isEnabled());
}

TEST_F(MainWindowDeleteTest, DeletingABlockChoosesTheRecordAfterItOrBeforeItAtTheEnd) {
    ListDictations(12);
    DeleteRowsExpectingChosen(3, 6, 7, 3);
    // A block that ends the list: the record before it.
    DeleteRowsExpectingChosen(5, 7, 4, 4);
}

TEST_F(MainWindowDeleteTest, WithTheInstantSearchNarrowingTheListAHiddenRecordIsNeverChosen) {
    ListDictations(10);
    auto* field = window_->findChild<InstantSearchField*>();
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "apple");  // rows 0, 2, 4, 6 and 8 show
    ASSERT_EQ(field->visible_rows(), 5);
    ASSERT_TRUE(list()->isRowHidden(5));

    // The pear that takes the deleted apple's place is hidden: the next
    // apple is chosen.
    SelectRows(4, 4);
    const std::string next_apple = IdAt(6);
    PressDeleteInTheList();
    ASSERT_EQ(window_->records().rowCount(), 9);
    ASSERT_EQ(ChosenIds(), std::vector<std::string>{next_apple});
    EXPECT_FALSE(list()->isRowHidden(window_->SelectedRows().front()));

    // The last apple shown, with a hidden pear after it: the apple before.
    const int last_apple = 7;
    ASSERT_FALSE(list()->isRowHidden(last_apple));
    ASSERT_TRUE(list()->isRowHidden(8));
    SelectRows(last_apple, last_apple);
    const std::string apple_before = IdAt(5);
    PressDeleteInTheList();
    EXPECT_EQ(ChosenIds(), std::vector<std::string>{apple_before});
    EXPECT_EQ(field->text(), "apple");
    EXPECT_TRUE(list()->hasFocus());
}

TEST_F(MainWindowDeleteTest, AnsweringNoKeepsTheChosenBlockAndTheKeysInTheList) {
    ListDictations(8);
    SelectRows(2, 4);
    reporter_.set_answer(core::kAnswerNo);
    PressDeleteInTheList();
    ASSERT_EQ(window_->records().rowCount(), 8);
    EXPECT_EQ(window_->SelectedRows(), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(list()->hasFocus());
}

}  // namespace
}  // namespace kivo::app
