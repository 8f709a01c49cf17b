// The window's session without a window: first start, the question when the
// last store is gone, Open and New with their cancels and failures, and the
// close-time save.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "file_bytes.h"
#include "kivo/core/pending_deletions.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/user_messages.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace kivo::app {
namespace {

using test::AppHome;
using test::ScriptedChooser;

class ShellSessionTest : public testing::Test {
protected:
    // Runs a first start so that "KIVO.xrt" exists, then closes it.
    void StartOnceAndClose() {
        core::RecordingMessageReporter reporter;
        ScriptedChooser chooser;
        core::ShellSession first(home_.places(), reporter, chooser);
        ASSERT_TRUE(first.Start());
        ASSERT_EQ(first.Close(), 0);
    }
    std::filesystem::path StorePath(const std::string& name) const {
        return home_.user_folder() / (name + ".xrt");
    }

    AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    ScriptedChooser chooser_;
};

TEST_F(ShellSessionTest, FirstStartBuildsKivoStoreAndOpensIt) {
    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    EXPECT_TRUE(reporter_.reports().empty());
    EXPECT_TRUE(std::filesystem::exists(StorePath("KIVO")));
    EXPECT_TRUE(session.startup_profile().first_start);
    EXPECT_EQ(session.LineStateText(),
              "Line monitoring inactive : Using Kivo File : " + StorePath("KIVO").string());
    EXPECT_TRUE(std::filesystem::exists(session.store().WorkingPath("Voxwren.xrr")));
}

TEST_F(ShellSessionTest, CloseSavesTheStoreAndRemovesTheWorkingFolder) {
    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    test::WriteWorkingLog(session.store().working_folder(), "Voxwren.xrr",
                          {test::Dictation(1, "kept", "01/02/2024", "00:00:05")});
    const auto working = session.store().working_folder();
    EXPECT_EQ(session.Close(), 0);
    EXPECT_FALSE(std::filesystem::exists(working));
    const auto members = test::ReadStoreMembers(StorePath("KIVO"));
    EXPECT_NE(members.at("Voxwren.xrr").find("kept"), std::string::npos);
}

TEST_F(ShellSessionTest, MissingLastStoreAsksAndYesOpensAnother) {
    StartOnceAndClose();
    std::filesystem::rename(StorePath("KIVO"), StorePath("Office"));
    chooser_.open_answers.push_back(StorePath("Office"));

    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_EQ(reporter_.reports()[0].code, 105);
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleQuestion);
    EXPECT_EQ(session.store().location().name, "Office");
    EXPECT_EQ(session.profile().Read("tester", "LastFile"), "Office");
    EXPECT_EQ(session.profile().Read("tester", "LastPath"), home_.user_folder().string());
}

TEST_F(ShellSessionTest, MissingLastStoreAndNoBuildsANewOne) {
    StartOnceAndClose();
    std::filesystem::remove(StorePath("KIVO"));
    reporter_.set_answer(core::kAnswerNo);
    chooser_.new_answers.push_back(StorePath("Fresh"));

    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(chooser_.new_asked, 1);
    EXPECT_TRUE(std::filesystem::exists(StorePath("Fresh")));
    EXPECT_EQ(session.store().location().name, "Fresh");
}

TEST_F(ShellSessionTest, MissingLastStoreAndACancelEndsTheProgram) {
    StartOnceAndClose();
    std::filesystem::remove(StorePath("KIVO"));
    core::ShellSession session(home_.places(), reporter_, chooser_);
    EXPECT_FALSE(session.Start());
    EXPECT_EQ(chooser_.open_asked, 1);
    EXPECT_EQ(session.store().state(), core::StoreState::kCancelled);
}

TEST_F(ShellSessionTest, NewWithAnExistingNameSaysSoAndAsksAgain) {
    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    chooser_.new_answers = {StorePath("KIVO"), StorePath("Other")};
    EXPECT_TRUE(session.NewStore());
    EXPECT_EQ(chooser_.new_asked, 2);
    ASSERT_EQ(reporter_.codes(), std::vector<int>({3}));
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleInformation);
    EXPECT_EQ(session.store().location().name, "Other");
    EXPECT_NE(session.LineStateText().find(StorePath("Other").string()), std::string::npos);
}

TEST_F(ShellSessionTest, CancelledOpenKeepsTheStoreOpenAndSavedAtClose) {
    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    test::WriteWorkingLog(session.store().working_folder(), "Voxwren.xrr",
                          {test::Dictation(4, "after cancel", "01/02/2024", "00:00:05")});
    EXPECT_TRUE(session.OpenStore());
    EXPECT_TRUE(session.NewStore());
    EXPECT_EQ(session.store().state(), core::StoreState::kOpen);
    EXPECT_TRUE(reporter_.reports().empty());
    EXPECT_EQ(session.Close(), 0);
    const auto members = test::ReadStoreMembers(StorePath("KIVO"));
    EXPECT_NE(members.at("Voxwren.xrr").find("after"), std::string::npos);
}

TEST_F(ShellSessionTest, FailedOpenIsReportedAndThePreviousStoreStaysInUse) {
    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    chooser_.open_answers.push_back(home_.user_folder() / "no-extension");
    EXPECT_TRUE(session.OpenStore());
    ASSERT_EQ(reporter_.codes(), std::vector<int>({105}));
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleExclamation);
    EXPECT_EQ(session.store().location().name, "KIVO");
    EXPECT_EQ(session.store().state(), core::StoreState::kOpen);
}

TEST_F(ShellSessionTest, DeleteQuestionNamesTheIdOfASingleRecord) {
    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    core::SelectedRecord one{1, core::ViewKind::kDictation, "D1.xrz"};
    reporter_.set_answer(core::kAnswerNo);
    EXPECT_FALSE(session.ConfirmDelete({&one, 1}, "00000001"));
    EXPECT_EQ(reporter_.reports().back().text,
              "Are you sure you want to delete message ID : 00000001");
    const core::SelectedRecord three[] = {one, one, one};
    reporter_.set_answer(core::kAnswerYes);
    EXPECT_TRUE(session.ConfirmDelete(three, "00000001"));
    EXPECT_EQ(reporter_.reports().back().text,
              "Are you sure you want to delete the selected records");
}

TEST_F(ShellSessionTest, ADeleteCutShortInAnEarlierRunIsFinishedAtStart) {
    StartOnceAndClose();
    // What a delete killed after saving its logs leaves: the record's line
    // erased in the store, its recording still there, and the note.
    test::TempDir scratch;
    test::WriteFileText(scratch.file("D5.xrz"), "recording five");
    test::WriteFileText(scratch.file("Voxwren.xrr"),
                        test::RecordLogHeader() + core::ErasedRecordLine());
    const char* names[] = {"D5.xrz", "Voxwren.xrr"};
    ASSERT_EQ(RPS_Put(StorePath("KIVO").c_str(), scratch.path().c_str(), names, 2), nullptr);
    const std::string noted[] = {"D5.xrz"};
    ASSERT_TRUE(core::NotePendingDeletions(StorePath("KIVO"), noted));

    core::ShellSession session(home_.places(), reporter_, chooser_);
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(test::ReadStoreMembers(StorePath("KIVO")).count("D5.xrz"), 0u);
    EXPECT_FALSE(std::filesystem::exists(core::PendingDeletionsPath(StorePath("KIVO"))));
}

}  // namespace
}  // namespace kivo::app
