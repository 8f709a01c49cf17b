// Smoke tests of the main window on Qt's offscreen platform: it opens on a
// new store, the kinds switch the columns, Delete asks and removes rows, the
// context menu follows the view, Enter keeps the window open, the Options
// dialog saves its keys, a change by another program keeps the selection and
// closing saves the store.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QFocusEvent>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <set>
#include <sstream>

#include "app_fixture.h"
#include "kivo/core/user_messages.h"
#include "kivoctl_commands.h"
#include "main_window.h"
#include "options_dialog.h"
#include "record_kind_list.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }
    std::filesystem::path working() { return window_->session().store().working_folder(); }
    // Writes records into the working message log and lists them.
    void ListDictations(const std::vector<test::RecordFields>& records) {
        test::WriteWorkingLog(working(), "Voxwren.xrr", records);
        window_->ShowKind(ViewKind::kDictation);
    }
    void SelectRow(int row) { window_->record_view()->selectRow(row); }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, OpensOnANewStoreWithTheDictations) {
    EXPECT_TRUE(window_->windowTitle().startsWith("Kivo for user : "));
    EXPECT_EQ(window_->view(), ViewKind::kDictation);
    EXPECT_EQ(window_->banner_text(), "Dictation             ");
    EXPECT_EQ(window_->search_status_text(), "Total dictations found = 0");
    EXPECT_EQ(window_->line_state_text().toStdString(),
              "Line monitoring inactive : Using Kivo File : " +
                  (home_.user_folder() / "KIVO.xrt").string());
    EXPECT_EQ(window_->kind_list()->currentRow(), 0);
    EXPECT_EQ(window_->record_view()->model()->columnCount(), 7);
    EXPECT_TRUE(window_->record_view()->isColumnHidden(5));
    EXPECT_EQ(window_->record_view()->columnWidth(1), 280);
    EXPECT_TRUE(reporter_.reports().empty());

    CommandRouter& commands = window_->commands();
    EXPECT_TRUE(commands.action(Command::kOpenDataStore)->isEnabled());
    EXPECT_TRUE(commands.action(Command::kOptions)->isEnabled());
    // New Recording is routed: it opens the "Dictation Recorder".
    EXPECT_TRUE(commands.action(Command::kNewRecording)->isEnabled());
    EXPECT_FALSE(commands.action(Command::kPlay)->isEnabled());
    EXPECT_FALSE(commands.action(Command::kDelete)->isEnabled());
    EXPECT_FALSE(commands.action(Command::kStartMonitoring)->isEnabled());
}

TEST_F(MainWindowTest, ChoosingAKindSwitchesBannerColumnsAndStatus) {
    RecordKindList* kinds = window_->kind_list();
    kinds->setCurrentRow(kinds->RowOf(ViewKind::kPhone));
    EXPECT_EQ(window_->view(), ViewKind::kPhone);
    EXPECT_EQ(window_->banner_text(), "Phone                      ");
    EXPECT_EQ(window_->search_status_text(), "Total phone calls found = 0");
    QAbstractItemModel* model = window_->record_view()->model();
    ASSERT_EQ(model->columnCount(), 8);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Phone Number");
    EXPECT_TRUE(window_->record_view()->isColumnHidden(7));
    EXPECT_EQ(window_->record_view()->columnWidth(0), 80);

    kinds->setCurrentRow(kinds->RowOf(ViewKind::kDiary));
    EXPECT_EQ(model->columnCount(), 7);
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Diary Date");
    EXPECT_EQ(window_->search_status_text(), "Total diary entries found = 0");
}

TEST_F(MainWindowTest, HeaderClicksSortAndShowTheArrow) {
    ListDictations({test::Dictation(1, "short", "02/01/2024", "00:00:05"),
                    test::Dictation(2, "long", "01/01/2024", "00:09:00")});
    QHeaderView* header = window_->record_view()->horizontalHeader();
    window_->records().ClickHeader(4);
    window_->records().ClickHeader(4);
    EXPECT_EQ(window_->records().Id(0), "00000002");
    EXPECT_EQ(header->sortIndicatorSection(), 4);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(MainWindowTest, DeleteAsksWithTheIdAndRemovesTheRow) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05"),
                    test::Dictation(2, "two", "02/01/2024", "00:00:06"),
                    test::Dictation(3, "three", "03/01/2024", "00:00:07")});
    ASSERT_EQ(window_->records().rowCount(), 3);
    const auto log_size = std::filesystem::file_size(working() / "Voxwren.xrr");
    SelectRow(1);
    EXPECT_EQ(window_->current_record().id, "00000002");
    QAction* del = window_->commands().action(Command::kDelete);
    ASSERT_TRUE(del->isEnabled());
    del->trigger();

    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[0].text, "Are you sure you want to delete message ID : 00000002");
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleQuestion);
    EXPECT_EQ(reporter_.reports()[1].text, "Message(s) Deleted");
    EXPECT_EQ(window_->records().rowCount(), 2);
    EXPECT_EQ(window_->search_status_text(), "Total dictations found = 2");
    EXPECT_EQ(std::filesystem::file_size(working() / "Voxwren.xrr"), log_size);
    // The record that took its place is chosen, ready for the next Delete.
    EXPECT_EQ(window_->current_record().id, "00000003");
    EXPECT_TRUE(del->isEnabled());
}

TEST_F(MainWindowTest, AnsweringNoToDeleteKeepsEveryRow) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05"),
                    test::Dictation(2, "two", "02/01/2024", "00:00:06")});
    window_->record_view()->selectAll();
    reporter_.set_answer(core::kAnswerNo);
    window_->DeleteSelectedRecords();
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].text, "Are you sure you want to delete the selected records");
    EXPECT_EQ(window_->records().rowCount(), 2);
}

TEST_F(MainWindowTest, AnotherProgramsDeleteKeepsTheOtherSelectedRecordsAndTheFocus) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05"),
                    test::Dictation(2, "two", "02/01/2024", "00:00:06"),
                    test::Dictation(3, "three", "03/01/2024", "00:00:07"),
                    test::Dictation(4, "four", "04/01/2024", "00:00:08")});
    ASSERT_EQ(window_->session().store().SaveDataStore(), 0);
    window_->ShowKind(ViewKind::kDictation);
    const auto row_of = [&](const char* id) {
        for (int row = 0; row < window_->records().rowCount(); ++row) {
            if (window_->records().Id(row) == id)
                return row;
        }
        return -1;
    };
    const auto selected_ids = [&] {
        std::set<std::string> ids;
        for (int row : window_->SelectedRows())
            ids.insert(window_->records().Id(row).toStdString());
        return ids;
    };
    window_->show();
    QTableView* list = window_->record_view();
    for (const char* id : {"00000004", "00000001", "00000002"}) {
        const QRect cell = list->visualRect(window_->records().index(row_of(id), 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
    }
    ASSERT_EQ(selected_ids(), (std::set<std::string>{"00000001", "00000002", "00000004"}));
    ASSERT_EQ(window_->current_record().id, "00000002");

    // kivoctl deletes a selected record and an unselected one.
    std::ostringstream out, err;
    const std::string store = (home_.user_folder() / "KIVO.xrt").string();
    ASSERT_EQ(kivoctl::RunCommand({"delete", store, "4", "3"}, out, err), 0) << err.str();
    window_->ShowOtherProgramsChanges();

    ASSERT_EQ(window_->records().rowCount(), 2);
    EXPECT_EQ(selected_ids(), (std::set<std::string>{"00000001", "00000002"}));
    EXPECT_EQ(window_->current_record().id, "00000002");
    EXPECT_TRUE(window_->commands().action(Command::kDelete)->isEnabled());

    // The focused record goes too: the focus moves to a selected one left.
    ASSERT_EQ(kivoctl::RunCommand({"delete", store, "2"}, out, err), 0) << err.str();
    window_->ShowOtherProgramsChanges();
    EXPECT_EQ(selected_ids(), (std::set<std::string>{"00000001"}));
    EXPECT_EQ(window_->current_record().id, "00000001");
}

TEST_F(MainWindowTest, ContextMenuNeedsARecordAndFollowsTheView) {
    EXPECT_EQ(window_->BuildContextMenu(), nullptr);

    test::RecordFields video = test::Dictation(5, "clip", "01/01/2024", "00:00:05");
    video.kind = "9";
    test::WriteWorkingLog(working(), "Voxwren.xrr", {video});
    window_->ShowKind(ViewKind::kVideo);
    SelectRow(0);
    auto menu = window_->BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    QMenu* export_menu = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr)
            export_menu = action->menu();
    }
    ASSERT_NE(export_menu, nullptr);
    // A video leaves as a Kivo video file or as WMV, never as sound alone.
    ASSERT_EQ(export_menu->actions().size(), 2);
    EXPECT_EQ(export_menu->actions()[0]->text(), "&Kivo Recording");
    EXPECT_EQ(export_menu->actions()[1]->text(), "WM&V Format");
    EXPECT_TRUE(window_->commands().action(Command::kDelete)->isEnabled());
    // Play and Send are not built yet: gray whatever the selection.
    EXPECT_FALSE(window_->commands().action(Command::kPlay)->isEnabled());
}

TEST_F(MainWindowTest, EnterOnARecordKeepsTheWindowOpen) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05")});
    window_->show();
    SelectRow(0);
    QTest::keyClick(window_->record_view(), Qt::Key_Return);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->current_record().id, "00000001");
}

// After the instant search is cleared, or a listing, the list shows its
// focused record framed but not selected; one record cannot be reached by
// the arrows. Tab into the list, Enter and the Menu key choose it.
TEST_F(MainWindowTest, TheKeyboardChoosesTheFocusedRecordWhenNoneIsSelected) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05")});
    window_->show();
    QTableView* list = window_->record_view();
    auto focus_only = [&] {
        list->selectionModel()->clearSelection();
        list->selectionModel()->setCurrentIndex(window_->records().index(0, 0),
                                                QItemSelectionModel::NoUpdate);
        ASSERT_TRUE(window_->SelectedRows().empty());
    };
    focus_only();
    QFocusEvent by_mouse(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(list, &by_mouse);
    EXPECT_TRUE(window_->SelectedRows().empty()) << "a click chooses for itself";

    QFocusEvent by_tab(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(list, &by_tab);
    EXPECT_EQ(window_->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(window_->current_record().id, "00000001");
    EXPECT_TRUE(window_->commands().action(Command::kEdit)->isEnabled());

    focus_only();
    QTest::keyClick(list, Qt::Key_Menu);
    EXPECT_EQ(window_->SelectedRows(), std::vector<int>{0});

    focus_only();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window_->current_record().id, "00000001");
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, TabIntoTheRecordKindsShowsThatTheyHaveTheFocus) {
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    RecordKindList* kinds = window_->kind_list();
    // The list's frame, beside the last kind where no item is drawn.
    auto frame_colour = [kinds] {
        const QImage image = kinds->grab().toImage();
        return QColor(image.pixel(0, image.height() - 8));
    };
    window_->record_view()->setFocus(Qt::TabFocusReason);
    EXPECT_NE(frame_colour(), QColor(Qt::white));
    kinds->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(kinds->hasFocus());
    EXPECT_EQ(frame_colour(), QColor(Qt::white));
}

// Keyboards without a Menu key open the Action menu with Shift+F10.
TEST_F(MainWindowTest, ShiftF10OpensTheActionMenuOnTheFocusedRecord) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05")});
    window_->show();
    QTableView* list = window_->record_view();
    list->selectionModel()->clearSelection();
    list->selectionModel()->setCurrentIndex(window_->records().index(0, 0),
                                            QItemSelectionModel::NoUpdate);
    QStringList items;
    QTimer::singleShot(0, [&items] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* item : menu->actions())
                items << item->text();
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
    // Sent straight to the list: a simulated click would leave Shift held for
    // the tests that follow while the menu runs its own event loop.
    QKeyEvent shift_f10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(list, &shift_f10);
    EXPECT_EQ(window_->SelectedRows(), std::vector<int>{0});
    EXPECT_TRUE(items.contains(QStringLiteral("&Send"))) << items.join(", ").toStdString();
}

TEST_F(MainWindowTest, HomeAndEndGoToTheFirstAndTheLastRecord) {
    ListDictations({test::Dictation(1, "one", "01/01/2024", "00:00:05"),
                    test::Dictation(2, "two", "02/01/2024", "00:00:05"),
                    test::Dictation(3, "three", "03/01/2024", "00:00:05")});
    window_->show();
    SelectRow(1);
    const QString first = window_->records().Id(0);
    const QString last = window_->records().Id(2);
    QTest::keyClick(window_->record_view(), Qt::Key_End);
    EXPECT_EQ(window_->SelectedRows(), std::vector<int>{2});
    EXPECT_EQ(QString::fromStdString(window_->current_record().id), last);
    QTest::keyClick(window_->record_view(), Qt::Key_Home);
    EXPECT_EQ(window_->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(QString::fromStdString(window_->current_record().id), first);
}

TEST_F(MainWindowTest, OptionsDialogWritesItsKeysOnOk) {
    window_->ShowOptions();
    auto* dialog = window_->findChild<OptionsDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Kivo Options");
    core::ProfileFile& profile = window_->session().profile();
    EXPECT_EQ(profile.Read("tester", "HighLight"), "N");  // written when the dialog opened

    for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
        if (box->text() == "&Priming On/Off")
            box->setChecked(true);
    }
    for (QRadioButton* button : dialog->findChildren<QRadioButton*>()) {
        if (button->text() == "&CD")
            button->setChecked(true);
    }
    dialog->accept();
    EXPECT_EQ(profile.Read("tester", "Prime"), "Y");
    EXPECT_EQ(profile.Read("tester", "RecQual"), "3");
    EXPECT_EQ(window_->session().settings().recording_quality, 3);
}

TEST_F(MainWindowTest, OptionsDialogCancelWritesNothing) {
    window_->ShowOptions();
    auto* dialog = window_->findChild<OptionsDialog*>();
    ASSERT_NE(dialog, nullptr);
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
        box->setChecked(true);
    dialog->reject();
    EXPECT_EQ(window_->session().profile().Read("tester", "Prime"), "N");
}

TEST_F(MainWindowTest, ClosingShowsTheSavingTextAndSavesTheStore) {
    test::WriteWorkingLog(working(), "Voxwren.xrr",
                          {test::Dictation(7, "saved at close", "01/01/2024", "00:00:05")});
    window_->show();
    window_->close();
    EXPECT_EQ(window_->line_state_text(), "Saving Kivo Data Store.....Please wait");
    const auto members = test::ReadStoreMembers(home_.user_folder() / "KIVO.xrt");
    EXPECT_NE(members.at("Voxwren.xrr").find("saved"), std::string::npos);
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(MainWindowTest, CloseAskedDuringCompactionWaitsForTheLastStep) {
    std::filesystem::remove(working() / "Voxwren.xrm");  // a failed step keeps the dialog open
    window_->show();
    QTimer::singleShot(0, window_.get(), [this] { window_->close(); });
    window_->CompressDataStore();  // returns when the dialog has closed
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(window_->line_state_text(), "Saving Kivo Data Store.....Please wait");
}

TEST(MainWindowStart, CancellingTheChoiceAfterAMissingStoreEndsTheProgram) {
    test::AppHome home;
    core::RecordingMessageReporter reporter(core::kAnswerNo);
    test::ScriptedChooser chooser;
    {
        MainWindow first(home.resources(), home.places(), &reporter, &chooser);
        ASSERT_TRUE(first.Start());
        first.close();
    }
    std::filesystem::remove(home.user_folder() / "KIVO.xrt");
    MainWindow window(home.resources(), home.places(), &reporter, &chooser);
    EXPECT_FALSE(window.Start());
    EXPECT_EQ(reporter.codes(), std::vector<int>({105}));
    EXPECT_EQ(chooser.new_asked, 1);
}

}  // namespace
}  // namespace kivo::app
