// Tools > Meeting Agendas... and Tools > Templates... over a real data
// store: what they save is committed at once and only into the store they
// were opened on; the Meeting Recorder picks up the saved agendas and a
// template's comments become the recorder's predefined index comments.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "committed_store.h"
#include "kivo/meeting/agendas_dialog.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "kivo/recorder/predefined_comments.h"
#include "kivo/recorder/templates_dialog.h"
#include "span_store_fixture.h"

namespace kivo {
namespace {

class ComponentEditorsTest : public test::SpanStoreTest {
protected:
    std::string Committed(const char* member) const {
        return test::ReadCommittedComponents(store_->store_path())[member];
    }

    // Types a new agenda into the dialog and saves it.
    void AddAgenda(meeting::AgendasDialog& dialog, const QString& title, const QString& items) {
        dialog.NewEntry();
        dialog.title_edit()->setText(title);
        emit dialog.title_edit()->textEdited(title);
        dialog.items_edit()->setPlainText(items);
        ASSERT_TRUE(dialog.SaveFields());
    }
};

TEST_F(ComponentEditorsTest, SavedAgendasAreCommittedAndShownWhenTheEditorOpensAgain) {
    {
        meeting::AgendasDialog dialog(meeting::OpenStoredAgendas(*store_), reporter_);
        EXPECT_EQ(dialog.entry_list()->count(), 0);
        AddAgenda(dialog, "Board meeting", "Budget\n\tTravel costs\nStaff\nOther");
        AddAgenda(dialog, "Weekly review", "Sales");
        EXPECT_EQ(dialog.entry_list()->count(), 2);
        EXPECT_FALSE(dialog.save_button()->isEnabled());
    }
    // Durable before the next store save: the store with its journal.
    const std::vector<format::Agenda> committed = format::ParseAgendaBook(Committed("Voxwren.xra"));
    ASSERT_EQ(committed.size(), 2u);
    EXPECT_EQ(committed[0].items.size(), 4u);
    EXPECT_EQ(committed[0].items[1].depth, 2);

    meeting::AgendasDialog reopened(meeting::OpenStoredAgendas(*store_), reporter_);
    ASSERT_EQ(reopened.entry_list()->count(), 2);
    EXPECT_EQ(reopened.title_edit()->text(), "Board meeting");
    EXPECT_EQ(reopened.items_edit()->toPlainText(), "Budget\n\tTravel costs\nStaff\nOther\n");
    // Changed and saved over itself, then the other one deleted.
    reopened.items_edit()->setPlainText("Budget\nAny other business");
    ASSERT_TRUE(reopened.SaveFields());
    reopened.entry_list()->setCurrentRow(1);
    reopened.DeleteEntry();
    const std::vector<format::Agenda> after = format::ParseAgendaBook(Committed("Voxwren.xra"));
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].items.back().text, "Any other business");
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(ComponentEditorsTest, LeavingAnEditedAgendaAsksAndStayingKeepsTheTyping) {
    meeting::AgendasDialog dialog(meeting::OpenStoredAgendas(*store_), reporter_);
    AddAgenda(dialog, "First", "a");
    AddAgenda(dialog, "Second", "b");
    dialog.entry_list()->setCurrentRow(0);
    dialog.items_edit()->setPlainText("changed");
    int asked = 0;
    dialog.ask_to_save = [&asked](const QString& name) {
        ++asked;
        EXPECT_EQ(name, "First");
        return recorder::ListEditorDialog::SaveAnswer::kStay;
    };
    dialog.entry_list()->setCurrentRow(1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog.entry_list()->currentRow(), 0);
    EXPECT_EQ(dialog.items_edit()->toPlainText(), "changed");
    // Discarding leaves the store as it was.
    dialog.ask_to_save = [](const QString&) {
        return recorder::ListEditorDialog::SaveAnswer::kDiscard;
    };
    dialog.entry_list()->setCurrentRow(1);
    EXPECT_EQ(dialog.title_edit()->text(), "Second");
    EXPECT_EQ(format::ParseAgendaBook(Committed("Voxwren.xra"))[0].items[0].text, "a");
    // An agenda without a title is not saved; the user is told why.
    dialog.NewEntry();
    dialog.items_edit()->setPlainText("item");
    EXPECT_FALSE(dialog.SaveFields());
    EXPECT_EQ(reporter_.reports().size(), 1u);
}

TEST_F(ComponentEditorsTest, AnEditorLeftOpenAcrossFileNewWritesIntoNeitherStore) {
    meeting::AgendasDialog dialog(meeting::OpenStoredAgendas(*store_), reporter_);
    const std::filesystem::path first = store_->store_path();
    ASSERT_EQ(store_->New(dir_.path() / "Other.xrt"), 0);
    dialog.title_edit()->setText("Too late");
    dialog.items_edit()->setPlainText("x");
    EXPECT_FALSE(dialog.SaveFields());
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_NE(reporter_.reports()[0].text.find("no longer open"), std::string::npos);
    EXPECT_EQ(Committed("Voxwren.xra"), "999999999");
    EXPECT_EQ(format::ParseAgendaBook(test::ReadCommittedComponents(first)["Voxwren.xra"]).size(),
              0u);
}

TEST_F(ComponentEditorsTest, AnAgendaAnotherProgramChangedMeanwhileIsReadAgainNotOverwritten) {
    meeting::StoredAgendas mine = meeting::OpenStoredAgendas(*store_);
    ASSERT_TRUE(mine.Add({"Board", {{1, "Budget"}}}).saved());
    meeting::StoredAgendas theirs = meeting::OpenStoredAgendas(*store_);
    ASSERT_TRUE(theirs.Replace(0, {"Board (moved)", {{1, "Budget"}}}).saved());
    const core::ComponentSave stale = mine.Replace(0, {"Board", {{1, "Staff"}}});
    EXPECT_EQ(stale.status, core::ComponentSaveStatus::kRefused);
    ASSERT_EQ(mine.entries().size(), 1u);
    EXPECT_EQ(mine.entries()[0].title, "Board (moved)");
    EXPECT_EQ(format::ParseAgendaBook(Committed("Voxwren.xra"))[0].title, "Board (moved)");
}

TEST_F(ComponentEditorsTest, TheMeetingRecorderOffersStoredAgendasUntilTheMeetingStarts) {
    meeting::StoredAgendas agendas = meeting::OpenStoredAgendas(*store_);
    ASSERT_TRUE(
        agendas.Add({"Board meeting", {{1, "Budget"}, {2, "Travel"}, {1, "Staff"}}}).saved());
    ASSERT_TRUE(agendas.Add({"Weekly review", {{1, "Sales"}}}).saved());

    meeting::MeetingRecorderDialog dialog(*backend_, target_, reporter_);
    ASSERT_TRUE(dialog.Start());
    dialog.OfferStoredAgendas(agendas.entries());
    QComboBox* box = dialog.stored_agendas_box();
    ASSERT_EQ(box->count(), 3);
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(dialog.subject_edit()->text(), "Board meeting");
    ASSERT_EQ(dialog.agenda_tree()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.agenda_tree()->topLevelItem(0)->child(0)->text(0), "Travel");

    dialog.show();
    QTest::mouseClick(dialog.pickup_button(), Qt::LeftButton);
    EXPECT_FALSE(box->isEnabled());
    // Once picked up, the agenda stays the meeting's.
    EXPECT_FALSE(dialog.session().UseAgenda({"Weekly review", {{1, "Sales"}}}));
    EXPECT_EQ(dialog.session().agenda().title, "Board meeting");
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);
    dialog.reject();
}

TEST_F(ComponentEditorsTest, ATemplatesCommentsBecomeTheRecordersPredefinedComments) {
    {
        recorder::TemplatesDialog dialog(recorder::OpenStoredTemplates(*store_), reporter_);
        dialog.NewEntry();
        dialog.name_edit()->setText("Minutes");
        dialog.subject_edit()->setText("Monthly minutes");
        dialog.comments_edit()->setPlainText("Apologies\nLast minutes\n\nAction points");
        ASSERT_TRUE(dialog.SaveFields());
    }
    const std::vector<format::RecordTemplate> committed =
        format::ParseTemplateBook(Committed("Voxwren.xrc"));
    ASSERT_EQ(committed.size(), 1u);
    EXPECT_EQ(committed[0].comments.size(), 3u);

    recorder::TemplatesDialog dialog(recorder::OpenStoredTemplates(*store_), reporter_);
    EXPECT_EQ(dialog.subject_edit()->text(), "Monthly minutes");
    QTest::mouseClick(dialog.record_button(), Qt::LeftButton);
    ASSERT_TRUE(dialog.chosen_for_recording().has_value());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    meeting::MeetingRecorderDialog recorder(*backend_, target_, reporter_);
    ASSERT_TRUE(recorder.Start());
    std::string handed_over =
        recorder::PackPredefinedComments(dialog.chosen_for_recording()->comments);
    recorder.TakePredefinedComments(handed_over);
    EXPECT_TRUE(handed_over.empty());
    ASSERT_EQ(recorder.index_comment_box()->count(), 3);
    EXPECT_EQ(recorder.index_comment_box()->itemText(1), "Last minutes");
    // The first PICKUP takes the first comment; each MARK uses one.
    recorder.show();
    QTest::mouseClick(recorder.pickup_button(), Qt::LeftButton);
    EXPECT_EQ(recorder.index_comment_box()->currentText(), "Apologies");
    test::AdvanceAndPump(*backend_, 1000, 100);
    QTest::mouseClick(recorder.mark_button(), Qt::LeftButton);
    EXPECT_EQ(recorder.index_comment_box()->currentText(), "Last minutes");
    ASSERT_EQ(recorder.marks_list()->topLevelItemCount(), 1);
    EXPECT_EQ(recorder.marks_list()->topLevelItem(0)->text(0), "Apologies");
    QTest::mouseClick(recorder.stop_button(), Qt::LeftButton);
    recorder.reject();
}

}  // namespace
}  // namespace kivo
