// Takes left behind by a recorder that never got to close: the journal the
// session keeps in the takes folder while recording (synced to disk), what
// TakeRecovery finds there and in the working folders of earlier versions
// (and what it must leave alone), the recovered wave, and the start-up offer
// that reopens a take as a new dictation or deletes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <algorithm>

#include "dictation_store_fixture.h"
#include "file_bytes.h"
#include "kivo/dictation/dictation_session.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::dictation {
namespace {

using namespace recorder;

class TakeRecoveryTest : public DictationStoreTest {
protected:
    void SetUp() override {
        DictationStoreTest::SetUp();
        fs::create_directories(root_);
    }

    // A recorder working in a folder under root_, named as the program
    // names its working folders, keeping its journal in takes_.
    std::unique_ptr<DictationSession> RecorderIn(const std::string& folder_name,
                                                 core::ProfileFile* profile = nullptr) {
        const fs::path folder = root_ / folder_name;
        fs::create_directories(folder);
        DictationTarget target{folder, store_->store_path(), profile, "anna", 0, takes_};
        auto recorder = std::make_unique<DictationSession>(*backend_, target, reporter_);
        EXPECT_EQ(recorder->Open(), 0);
        return recorder;
    }

    // Writes a take's files as a recorder leaves them when the program dies.
    fs::path LeaveTake(const fs::path& folder, const std::string& base,
                       const std::vector<std::uint8_t>& pcm) {
        fs::create_directories(folder);
        test::WriteFileText((folder / (base + ".xrq")).string(),
                            FormatTakeInfo(TakeInfo{kMono8k, "08/12/2026 09:41:07"}));
        test::WriteFileBytes((folder / (base + ".xrj")).string(), pcm);
        return folder;
    }

    TakeRecovery Recovery() const { return TakeRecovery(takes_, root_); }

    // The names of the files in the takes folder.
    std::vector<std::string> TakeFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(takes_, error), end; !error && it != end;
             it.increment(error))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root_ = dir_.path() / "tmp";  // the temporary root
};

TEST_F(TakeRecoveryTest, RecordingKeepsEveryTakeInAJournalInThePrivateTakesFolder) {
    fs::remove_all(takes_);
    auto recorder = RecorderIn("VoxwrenLive01");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 1500);
    const fs::path journal = recorder->JournalPath();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.parent_path(), takes_);
    EXPECT_TRUE(fs::is_empty(root_ / "VoxwrenLive01"));  // nothing of it in the working folder
    struct stat folder {};
    ASSERT_EQ(::stat(takes_.c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    // What has arrived is on disk while the recording runs.
    EXPECT_EQ(test::ReadFileBytes(journal.string()), Tape(0, 1500));
    const auto info =
        ParseTakeInfo(test::ReadFileText(fs::path(journal).replace_extension(".xrq").string()));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->format, kMono8k);
    EXPECT_EQ(TakeFiles(), (std::vector<std::string>{"D" + recorder->stamp() + ".xrj",
                                                     "D" + recorder->stamp() + ".xrq"}));

    // A recorder that is open holds its take: nothing is offered.
    EXPECT_TRUE(Recovery().Find().empty());

    recorder->Stop();
    ASSERT_EQ(recorder->Record(), 0);  // a second take goes after the first
    test::AdvanceAndPump(*backend_, 500);
    recorder->Stop();
    EXPECT_EQ(test::ReadFileBytes(journal.string()), Tape(0, 2000));

    // The user discards the recording (No at the close question): the
    // journal goes with it.
    EXPECT_EQ(recorder->Close(), CloseOutcome::kDiscarded);
    EXPECT_TRUE(TakeFiles().empty());
}

TEST_F(TakeRecoveryTest, JournalIsSyncedAboutOnceASecondWhileRecordingAndOnStop) {
    auto recorder = RecorderIn("VoxwrenLive02");
    ASSERT_EQ(recorder->Record(), 0);
    EXPECT_EQ(recorder->JournalSyncedBytes(), 0u);
    test::AdvanceAndPump(*backend_, 500);
    // Not on every buffer: what arrived waits for the timer.
    EXPECT_EQ(recorder->JournalSyncedBytes(), 0u);
    QTest::qWait(kJournalSyncInterval_ms + 400);
    EXPECT_EQ(recorder->JournalSyncedBytes(), Tape(0, 500).size());
    test::AdvanceAndPump(*backend_, 300);
    recorder->Stop();
    EXPECT_EQ(recorder->JournalSyncedBytes(), Tape(0, 800).size());
    EXPECT_EQ(fs::file_size(recorder->JournalPath()), Tape(0, 800).size());
}

TEST_F(TakeRecoveryTest, TakeOfAKilledRecorderIsRecoveredAfterItsWorkingFolderIsGone) {
    auto recorder = RecorderIn("VoxwrenLive03");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 1200);
    // The files as they stand at this moment are what a kill leaves: the
    // same bytes, and no process holding them.
    const fs::path journal = recorder->JournalPath();
    const fs::path dead_journal = takes_ / "D20261208094107001.xrj";
    fs::copy_file(journal, dead_journal);
    fs::copy_file(fs::path(journal).replace_extension(".xrq"),
                  fs::path(dead_journal).replace_extension(".xrq"));
    // The boot empties the temporary root, working folders and all.
    fs::remove_all(root_);

    // The live recorder's take, locked, is passed over and kept.
    const TakeRecovery recovery = Recovery();
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].journal_path, dead_journal);
    EXPECT_EQ(takes[0].length_ms(), 1200);
    EXPECT_NE(RecoveryQuestion(takes[0]).find("00:00:01"), std::string::npos);
    EXPECT_TRUE(fs::exists(journal));
    EXPECT_TRUE(fs::exists(fs::path(journal).replace_extension(".xrq")));

    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "recovered.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("recovered.wav")), Tape(0, 1200));
    TakeRecovery::Discard(takes[0]);
    EXPECT_TRUE(recovery.Find().empty());
    EXPECT_EQ(TakeFiles().size(), 2u);  // the live recorder's
}

TEST_F(TakeRecoveryTest, EndingTheProgramWhileRecordingLeavesTheTakeForTheNextStart) {
    auto recorder = RecorderIn("VoxwrenLive04");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 700);
    const fs::path journal = recorder->JournalPath();
    EXPECT_TRUE(recorder->CloseKeepingTake());
    EXPECT_TRUE(reporter_.codes().empty());  // nobody is asked
    EXPECT_TRUE(fs::is_empty(root_ / "VoxwrenLive04"));
    fs::remove_all(root_ / "VoxwrenLive04");  // as the program removes its working folder
    recorder.reset();

    const TakeRecovery recovery = Recovery();
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].journal_path, journal);
    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "kept.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("kept.wav")), Tape(0, 700));
}

TEST_F(TakeRecoveryTest, RecorderDestroyedWithoutClosingKeepsItsTake) {
    auto recorder = RecorderIn("VoxwrenLive05");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 400);
    recorder.reset();  // still recording, never closed

    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].length_ms(), 400);
    EXPECT_TRUE(fs::is_empty(root_ / "VoxwrenLive05"));
}

TEST_F(TakeRecoveryTest, WithoutAJournalTheWholeRecordingIsWrittenAsTheTakeAtTheEnd) {
    // The takes folder cannot be made while recording (a file is in its
    // place), so no journal is kept...
    fs::create_directories(takes_.parent_path());
    test::WriteFileText(takes_.string(), "in the way");
    auto recorder = RecorderIn("VoxwrenLive06");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 600);
    recorder->Stop();
    EXPECT_TRUE(recorder->JournalPath().empty());

    // ...and when the program must end, the recording still reaches it.
    fs::remove(takes_);
    EXPECT_TRUE(recorder->CloseKeepingTake());
    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 1u);
    ASSERT_TRUE(Recovery().Recover(takes[0], dir_.path() / "whole.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("whole.wav")), Tape(0, 600));
}

TEST_F(TakeRecoveryTest, AudioThatCannotBeKeptAnywhereIsReportedAsNotKept) {
    fs::create_directories(takes_.parent_path());
    test::WriteFileText(takes_.string(), "in the way");
    auto recorder = RecorderIn("VoxwrenLive07");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 300);
    EXPECT_FALSE(recorder->CloseKeepingTake());
}

TEST_F(TakeRecoveryTest, SaveThatReachesNoStoreKeepsTheTakeAndSaysSo) {
    const fs::path folder = root_ / "VoxwrenLive08";
    fs::create_directories(folder);
    DictationTarget target{folder, dir_.path() / "gone" / "KIVO.xrt", &profile_, "anna", 0, takes_};
    DictationSession recorder(*backend_, target, reporter_);
    ASSERT_EQ(recorder.Open(), 0);
    ASSERT_EQ(recorder.Record(), 0);
    test::AdvanceAndPump(*backend_, 600);
    recorder.Stop();

    EXPECT_EQ(recorder.Save(), 109);
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[0].code, 109);
    EXPECT_EQ(reporter_.reports()[1].style, core::kStyleInformation);
    // The recording's files are gone; the log it was to join has no line.
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_FALSE(entry.path().filename().string().starts_with("D" + recorder.stamp()))
            << entry.path();
    EXPECT_EQ(fs::file_size(folder / "Voxwren.xrr"), recordstore::kRecordLineBytes);

    const TakeRecovery recovery = Recovery();
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "unsaved.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("unsaved.wav")), Tape(0, 600));
}

TEST_F(TakeRecoveryTest, ANewJournalNeverOverwritesATakeOfTheSameName) {
    LeaveTake(takes_, "D5", Tape(0, 300));
    const auto journal = TakeJournal::Create(takes_, "D5", TakeInfo{kMono8k, ""}, Tape(500, 100));
    ASSERT_NE(journal, nullptr);
    EXPECT_EQ(journal->info_path(), takes_ / "D5-2.xrq");
    EXPECT_EQ(journal->journal_path(), takes_ / "D5-2.xrj");
    EXPECT_EQ(journal->synced_bytes(), Tape(500, 100).size());
    EXPECT_EQ(test::ReadFileBytes((takes_ / "D5.xrj").string()), Tape(0, 300));
    EXPECT_EQ(test::ReadFileBytes(journal->journal_path().string()), Tape(500, 100));
    // No half-written description is left beside them.
    EXPECT_EQ(TakeFiles(), (std::vector<std::string>{"D5-2.xrj", "D5-2.xrq", "D5.xrj", "D5.xrq"}));
    // The one just made is held; the other is a left-over.
    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].info_path, takes_ / "D5.xrq");
}

TEST_F(TakeRecoveryTest, TakesFolderComesFirstThenOldWorkingFolders) {
    LeaveTake(root_ / "VoxwrenOld001", "D1", Tape(0, 100));
    LeaveTake(takes_, "D3", Tape(0, 300));
    LeaveTake(takes_, "D2", Tape(0, 200));
    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 3u);
    EXPECT_EQ(takes[0].info_path, takes_ / "D2.xrq");
    EXPECT_EQ(takes[1].info_path, takes_ / "D3.xrq");
    EXPECT_EQ(takes[2].info_path, root_ / "VoxwrenOld001" / "D1.xrq");
    // Without a temporary root only the takes folder is looked at.
    EXPECT_EQ(TakeRecovery(takes_).Find().size(), 2u);
}

TEST_F(TakeRecoveryTest, TornLastFrameIsDroppedAndEmptyTakesAreCleanedUp) {
    std::vector<std::uint8_t> torn = Tape(0, 500);
    torn.push_back(0x55);  // half of a 16-bit frame
    LeaveTake(takes_, "D1", torn);
    LeaveTake(takes_, "D2", {});
    const fs::path empty_folder = LeaveTake(root_ / "VoxwrenDead03", "D2", {});

    const TakeRecovery recovery = Recovery();
    const std::vector<LeftoverTake> takes = recovery.Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].data_bytes, 8000u);
    EXPECT_FALSE(fs::exists(takes_ / "D2.xrq"));  // nothing to offer: gone
    EXPECT_FALSE(fs::exists(takes_ / "D2.xrj"));
    EXPECT_FALSE(fs::exists(empty_folder / "D2.xrq"));
    EXPECT_FALSE(fs::exists(empty_folder / "D2.xrj"));
    ASSERT_TRUE(recovery.Recover(takes[0], dir_.path() / "torn.wav"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("torn.wav")), Tape(0, 500));
}

TEST_F(TakeRecoveryTest, WhatIsNotALeftOverTakeIsLeftAlone) {
    // A description in another format, a folder not named as working
    // folders are, and a link to a folder with a take.
    const fs::path strange = LeaveTake(root_ / "VoxwrenOdd001", "D3", Tape(0, 100));
    test::WriteFileText((strange / "D3.xrq").string(), "KIVO TAKE 9\nformat 1 8000 16\nstart \n");
    LeaveTake(root_ / "other", "D4", Tape(0, 100));
    const fs::path target = LeaveTake(root_ / "elsewhere", "D5", Tape(0, 100));
    fs::create_directory_symlink(target, root_ / "VoxwrenLink01");
    LeaveTake(takes_, "D6", Tape(0, 100));
    test::WriteFileText((takes_ / "D6.xrq").string(), "not a take");

    EXPECT_TRUE(Recovery().Find().empty());
    EXPECT_TRUE(fs::exists(strange / "D3.xrj"));
    EXPECT_TRUE(fs::exists(root_ / "other" / "D4.xrj"));
    EXPECT_TRUE(fs::exists(target / "D5.xrj"));
    EXPECT_TRUE(fs::exists(takes_ / "D6.xrj"));

    // A takes folder that is a link is not looked into.
    const fs::path linked = dir_.path() / "linked";
    fs::rename(takes_, dir_.path() / "real");
    LeaveTake(dir_.path() / "real", "D7", Tape(0, 100));
    fs::create_directory_symlink(dir_.path() / "real", linked);
    EXPECT_TRUE(TakeRecovery(linked).Find().empty());
}

TEST_F(TakeRecoveryTest, HalfWrittenDescriptionsAreClearedUnlessBeingWritten) {
    fs::create_directories(takes_);
    test::WriteFileText((takes_ / "D8.xrq.new").string(), "KIVO TAKE 1\nfor");
    test::WriteFileText((takes_ / "D9.xrq.new").string(), "KIVO TAKE 1\nfor");
    const int held = ::open((takes_ / "D9.xrq.new").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(Recovery().Find().empty());
    EXPECT_FALSE(fs::exists(takes_ / "D8.xrq.new"));
    EXPECT_TRUE(fs::exists(takes_ / "D9.xrq.new"));
    ::close(held);
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
    // A take of an earlier version, in its working folder.
    LeaveTake(root_ / "VoxwrenDead04", "D6", Tape(0, 1500));
    reporter_.set_answer(core::kAnswerYes);
    std::unique_ptr<DictationSession> recorder;
    bool take_there_when_opened = false;
    const int opened = OfferLeftoverTakes(
        Recovery(), reporter_, work_,
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
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleQuestion);
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
    const fs::path folder = LeaveTake(takes_, "D7", Tape(0, 800));
    reporter_.set_answer(core::kAnswerNo);
    bool opened = false;
    EXPECT_EQ(OfferLeftoverTakes(Recovery(), reporter_, work_,
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
