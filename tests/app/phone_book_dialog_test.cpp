// "Kivo Phone Book" on a phone book file: find-as-you-type, new, edit and
// delete, each change committed; a book that cannot be written reports 120.
#include "phone_book_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include "file_bytes.h"
#include "kivo/core/user_messages.h"
#include "phone_book_entry_dialog.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

// Fills the entry dialog that opens next and presses OK.
void AnswerEntryDialog(const QString& name, const QString& number) {
    QTimer::singleShot(0, [name, number] {
        auto* dialog = qobject_cast<PhoneBookEntryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->name_edit()->setText(name);
        dialog->number_edit()->setText(number);
        dialog->accept();
    });
}

class PhoneBookDialogTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    std::filesystem::path path_ = dir_.path() / "Voxwren.xrb";
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    int commits_ = 0;
};

TEST_F(PhoneBookDialogTest, EntriesAreAddedFoundEditedAndDeleted) {
    phone::PhoneBook book(path_);
    ASSERT_EQ(book.Append("Ann Smith", "5550101"), 0);
    PhoneBookDialog dialog(path_, reporter_, [this] { ++commits_; });
    ASSERT_EQ(dialog.entry_list()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.entry_list()->topLevelItem(0)->text(0), "Ann Smith");

    AnswerEntryDialog("Bob Jones", "+44 20 7946 0000");
    dialog.AddEntry();
    ASSERT_EQ(dialog.entry_list()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.entry_list()->topLevelItem(1)->text(1), "+44 20 7946 0000");
    EXPECT_EQ(commits_, 1);

    dialog.find_edit()->setText("bo");
    ASSERT_EQ(dialog.entry_list()->selectedItems().size(), 1);
    EXPECT_EQ(dialog.entry_list()->selectedItems().front()->text(0), "Bob Jones");
    AnswerEntryDialog("Robert Jones", "5550102");
    dialog.EditSelectedEntry();
    EXPECT_EQ(book.List().at(1).name, "Robert Jones");
    EXPECT_EQ(book.List().at(1).number, "5550102");

    dialog.find_edit()->setText("");
    EXPECT_TRUE(dialog.entry_list()->selectedItems().empty());
    dialog.find_edit()->setText("Ann");
    dialog.DeleteSelectedEntry();
    ASSERT_EQ(book.List().size(), 1u);
    EXPECT_EQ(book.List().at(0).name, "Robert Jones");
    EXPECT_EQ(commits_, 3);
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(PhoneBookDialogTest, ABookThatCannotBeWrittenReportsError120) {
    PhoneBookDialog dialog(dir_.path() / "gone" / "Voxwren.xrb", reporter_, [this] { ++commits_; });
    AnswerEntryDialog("Ann", "1");
    dialog.AddEntry();
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].code, 120);
    EXPECT_EQ(commits_, 0);
}

}  // namespace
}  // namespace kivo::app
