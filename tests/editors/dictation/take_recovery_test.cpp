// Takes left behind by a recorder that never got to close: the journal the
// session keeps while recording, what TakeRecovery finds (and what it must
// leave alone), the recovered wave, and the start-up offer that reopens a
// take as a new dictation or deletes it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "dictation_store_fixture.h"
#include "file_bytes.h"
#include "kivo/dictation/dictation_session.h"
#include "kivo/dictation/take_recovery.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::dictation {
namespace {

class TakeRecoveryTest : public DictationStoreTest {
protected:
    void SetUp() override {
        DictationStoreTest::SetUp();
        fs::create_directories(root_);
    }

    // A recorder working in a folder under root_, named as the program
    // names its working folders.
    std::unique_ptr<DictationSession> RecorderIn(const std::string& folder_name) {
        const fs::path folder = root_ / folder_name;
        fs::create_directories(folder);
        DictationTarget target{folder, store_->store_path(), nullptr, "anna", 0};
        auto recorder = std::make_unique<DictationSession>(*backend_, target, reporter_);
        EXPECT_EQ(recorder->Open(), 0);
        return recorder;
    }

    // Writes a take's files as a recorder leaves them when the program dies.
    fs::path LeaveTake(const std::string& folder_name, const std::string& base,
                       const std::vector<std::uint8_t>& pcm) {
        const fs::path folder = root_ / folder_name;
        fs::create_directories(folder);
        test::WriteFileText((folder / (base + ".xrq")).string(),
                            FormatTakeInfo(TakeInfo{kMono8k, "08/12/2026 09:41:07"}));
        test::WriteFileBytes((folder / (base + ".xrj")).string(), pcm);
        return folder;
    }

    fs::path root_ = dir_.path() / "tmp";
};

TEST_F(TakeRecoveryTest, RecordingKeepsEveryTakeInAJournalThatTheRecorderHolds) {
    auto recorder = RecorderIn("VoxwrenLive01");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 1500);
    const fs::path journal = recorder->JournalPath();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.parent_path(), root_ / "VoxwrenLive01");
    // What has arrived is on disk while the recording runs.
    EXPECT_EQ(test::ReadFileBytes(journal.string()), Tape(0, 1500));
    const auto info =
        ParseTakeInfo(test::ReadFileText(fs::path(journal).replace_extension(".xrq").string()));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->format, kMono8k);

    // A recorder that is open holds its take: nothing is offered.
    EXPECT_TRUE(TakeRecovery(root_).Find().empty());

    recorder->Stop();
    ASSERT_EQ(recorder->Record(), 0);  // a second take goes after the first
    test::AdvanceAndPump(*backend_, 500);
    recorder->Stop();
    EXPECT_EQ(test::ReadFileBytes(journal.string()), Tape(0, 2000));

    recorder.reset();  // closing the recorder ends its journal
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_TRUE(fs::is_empty(root_ / "VoxwrenLive01"));
}

TEST_F(TakeRecoveryTest, TakeOfAKilledRecorderIsFoundAndRecoveredSampleForSample) {
    auto recorder = RecorderIn("VoxwrenLive02");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 1200);
    // The files as they stand at this moment are what a kill leaves: the
    // same bytes, and no process holding them.
    const fs::path journal = recorder->JournalPath();
    const fs::path dead = root_ / "VoxwrenDead01";
    fs::create_directories(dead);
    fs::copy_file(journal, dead / journal.filename());
    fs::copy_file(fs::path(journal).replace_extension(".xrq"),
                  dead / fs::path(journal.filename()).replace_extension(".xrq"));
    recorder.reset();

    const TakeRecovery recovery(root_);
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].journal_path, dead / journal.filename());
    EXPECT_EQ(takes[0].length_ms(), 1200);
    EXPECT_NE(RecoveryQuestion(takes[0]).find("00:00:01"), std::string::npos);

    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "recovered.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("recovered.wav")), Tape(0, 1200));
    TakeRecovery::Discard(takes[0]);
    EXPECT_TRUE(recovery.Find().empty());
}

TEST_F(TakeRecoveryTest, EndingTheProgramWhileRecordingMovesTheTakeOutOfTheWorkingFolder) {
    auto recorder = RecorderIn("VoxwrenLive03");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 700);
    const std::string journal_name = recorder->JournalPath().filename().string();
    EXPECT_TRUE(recorder->CloseKeepingTake());
    EXPECT_TRUE(reporter_.codes().empty());  // nobody is asked
    EXPECT_TRUE(fs::is_empty(root_ / "VoxwrenLive03"));
    fs::remove_all(root_ / "VoxwrenLive03");  // as the program removes its working folder
    recorder.reset();

    const TakeRecovery recovery(root_);
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].journal_path.filename(), journal_name);
    EXPECT_TRUE(takes[0].journal_path.parent_path().filename().string().starts_with("Voxwren"));
    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "kept.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("kept.wav")), Tape(0, 700));
}

TEST_F(TakeRecoveryTest, SaveThatReachesNoStoreKeepsTheTakeAndSaysSo) {
    const fs::path folder = root_ / "VoxwrenLive04";
    fs::create_directories(folder);
    DictationTarget target{folder, dir_.path() / "gone" / "KIVO.xrt", &profile_, "anna", 0};
    DictationSession recorder(*backend_, target, reporter_);
    ASSERT_EQ(recorder.Open(), 0);
    ASSERT_EQ(recorder.Record(), 0);
    test::AdvanceAndPump(*backend_, 600);
    recorder.Stop();

    EXPECT_EQ(recorder.Save(), 109);
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[0].code, 109);
    EXPECT_EQ(reporter_.reports()[1].style, shell::kStyleInformation);
    // The recording's files are gone; the log it was to join has no line.
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_FALSE(entry.path().filename().string().starts_with("D" + recorder.stamp()))
            << entry.path();
    EXPECT_EQ(fs::file_size(folder / "Voxwren.xrr"), recordstore::kRecordLineBytes);

    const TakeRecovery recovery(root_);
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "unsaved.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("unsaved.wav")), Tape(0, 600));
}

TEST_F(TakeRecoveryTest, TornLastFrameIsDroppedAndEmptyTakesAreCleanedUp) {
    std::vector<std::uint8_t> torn = Tape(0, 500);
    torn.push_back(0x55);  // half of a 16-bit frame
    LeaveTake("VoxwrenDead02", "D1", torn);
    const fs::path empty_folder = LeaveTake("VoxwrenDead03", "D2", {});

    const TakeRecovery recovery(root_);
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].data_bytes, 8000u);
    EXPECT_FALSE(fs::exists(empty_folder / "D2.xrq"));  // nothing to offer: gone
    EXPECT_FALSE(fs::exists(empty_folder / "D2.xrj"));
    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "torn.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("torn.wav")), Tape(0, 500));
}

TEST_F(TakeRecoveryTest, WhatIsNotALeftOverTakeIsLeftAlone) {
    // A description in another format, a folder not named as working
    // folders are, and a link to a folder with a take.
    const fs::path strange = LeaveTake("VoxwrenOdd001", "D3", Tape(0, 100));
    test::WriteFileText((strange / "D3.xrq").string(), "KIVO TAKE 9\nformat 1 8000 16\nstart \n");
    LeaveTake("other", "D4", Tape(0, 100));
    const fs::path target = LeaveTake("elsewhere", "D5", Tape(0, 100));
    fs::create_directory_symlink(target, root_ / "VoxwrenLink01");

    EXPECT_TRUE(TakeRecovery(root_).Find().empty());
    EXPECT_TRUE(fs::exists(strange / "D3.xrj"));
    EXPECT_TRUE(fs::exists(root_ / "other" / "D4.xrj"));
    EXPECT_TRUE(fs::exists(target / "D5.xrj"));
}

TEST_F(TakeRecoveryTest, TakeInfoParsesOnlyItsOwnThreeLines) {
    const TakeInfo info{wavefile::PcmFormat{2, 44100, 16}, "01/02/2026 10:11:12"};
    const auto parsed = ParseTakeInfo(FormatTakeInfo(info));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->format, info.format);
    EXPECT_EQ(parsed->start_log_date, info.start_log_date);
    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 1\nformat 3 8000 16\nstart x\n"));  // 3 channels
    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 1\nformat 1 8000\nstart x\n"));
    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 1\nformat 1 8000 16 9\nstart x\n"));
    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 1\nformat 1 8000 16\nstart x\nmore\n"));
    EXPECT_FALSE(ParseTakeInfo(std::string(2000, 'x')));
}

TEST_F(TakeRecoveryTest, YesReopensTheTakeAsANewDictationThatIsSaved) {
    LeaveTake("VoxwrenDead04", "D6", Tape(0, 1500));
    reporter_.set_answer(shell::kAnswerYes);
    std::unique_ptr<DictationSession> recorder;
    bool take_there_when_opened = false;
    const int opened = OfferLeftoverTakes(
        TakeRecovery(root_), reporter_, work_,
        [&](const fs::path& wave, const std::function<void()>& release_take) {
            recorder = std::make_unique<DictationSession>(*backend_, target_, reporter_);
            if (recorder->OpenFromWave(wave) != 0)
                return false;
            take_there_when_opened = fs::exists(root_ / "VoxwrenDead04" / "D6.xrj");
            release_take();
            // The recorder keeps its own journal of the recovered audio.
            EXPECT_EQ(test::ReadFileBytes(recorder->JournalPath().string()), Tape(0, 1500));
            EXPECT_EQ(recorder->state(), TransportState::kReview);
            EXPECT_EQ(recorder->length_ms(), 1500);
            recorder->set_subject("Recovered");
            EXPECT_EQ(recorder->Save(), 0);
            return true;
        });
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(take_there_when_opened);
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].style, shell::kStyleQuestion);
    EXPECT_FALSE(fs::exists(root_ / "VoxwrenDead04" / "D6.xrj"));
    EXPECT_FALSE(fs::exists(root_ / "VoxwrenDead04" / "D6.xrq"));
    EXPECT_FALSE(fs::exists(work_ / "recovered.wav"));

    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    ASSERT_EQ(log.size(), 802u);
    EXPECT_NE(log.find("Recovered"), std::string::npos);
    const fs::path folder = OpenContainer(*recorder, XR_OPEN_MEDIA);
    EXPECT_EQ(test::ReadWaveSamples((folder / ("D" + recorder->stamp() + ".xrw")).string()),
              Tape(0, 1500));
}

TEST_F(TakeRecoveryTest, NoDeletesTheTakeWithoutOpeningTheRecorder) {
    const fs::path folder = LeaveTake("VoxwrenDead05", "D7", Tape(0, 800));
    reporter_.set_answer(shell::kAnswerNo);
    bool opened = false;
    EXPECT_EQ(OfferLeftoverTakes(TakeRecovery(root_), reporter_, work_,
                                 [&](const fs::path&, const std::function<void()>&) {
                                     opened = true;
                                     return true;
                                 }),
              0);
    EXPECT_FALSE(opened);
    EXPECT_FALSE(fs::exists(folder / "D7.xrj"));
    EXPECT_FALSE(fs::exists(folder / "D7.xrq"));
}

}  // namespace
}  // namespace kivo::dictation
