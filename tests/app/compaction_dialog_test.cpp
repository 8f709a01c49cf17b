// The compaction dialog: steps reported from the worker thread reach the
// labels; success closes the dialog, a failed step keeps it open with its row.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTreeWidget>

#include "app_fixture.h"
#include "compaction_dialog.h"
#include "kivo/core/user_messages.h"

namespace kivo::app {
namespace {

class CompactionDialogTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session_.Start()); }
    std::filesystem::path working() { return session_.store().working_folder(); }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_;
    test::ScriptedChooser chooser_;
    core::ShellSession session_{home_.places(), reporter_, chooser_};
};

TEST_F(CompactionDialogTest, AllStepsSucceedAndTheDialogClosesItself) {
    test::RecordFields erased = test::Dictation(99999999, "gone", "01/01/2024", "00:00:01");
    test::WriteWorkingLog(working(), "Voxwren.xrr",
                          {test::Dictation(1, "a", "01/01/2024", "00:00:01"), erased,
                           test::Dictation(2, "b", "01/01/2024", "00:00:01")});
    CompactionDialog dialog(session_.store(), QIcon());
    EXPECT_EQ(dialog.windowTitle(), "Please wait - Compressing your Data Store");
    EXPECT_EQ(dialog.components_label(), "Compress components");
    EXPECT_EQ(dialog.store_label(), "Remove unwanted space from data store");
    QSignalSpy finished(&dialog, &CompactionDialog::compactionFinished);
    dialog.show();
    dialog.Start();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    EXPECT_EQ(dialog.components_label(), "Components have now been compressed");
    EXPECT_EQ(dialog.store_label(), "Unwanted space has been removed from your data store");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(std::filesystem::file_size(working() / "Voxwren.xrr"), 3u * 401);
}

TEST_F(CompactionDialogTest, AMissingLogAddsItsRowAndKeepsTheDialogOpen) {
    std::filesystem::remove(working() / "Voxwren.xrm");
    CompactionDialog dialog(session_.store(), QIcon());
    QSignalSpy finished(&dialog, &CompactionDialog::compactionFinished);
    dialog.show();
    dialog.Start();
    ASSERT_TRUE(finished.wait(30000));
    ASSERT_EQ(dialog.error_count(), 1);
    auto* errors = dialog.findChild<QTreeWidget*>();
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(errors->topLevelItem(0)->text(0), "Error compressing Meetings folder");
    EXPECT_EQ(dialog.components_label(),
              "1 or more components failed to be compressed - Check Error Log");
    EXPECT_EQ(CompactionDialog::StateColour(4), QColor(0xFF, 0, 0));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.running());
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CompactionDialogTest, EscapeIsIgnoredUntilTheLastStepRan) {
    CompactionDialog dialog(session_.store(), QIcon());
    QSignalSpy finished(&dialog, &CompactionDialog::compactionFinished);
    dialog.show();
    dialog.Start();
    // The end of the work reaches the dialog only through its event loop, so
    // it is still running here.
    ASSERT_TRUE(dialog.running());
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace kivo::app
