// Takes left behind by a dictation recorder that never got to close: the
// journal the session keeps in the takes folder while recording (audio,
// subject, keywords, marks and picture, synced to disk), what TakeRecovery
// finds of a live or a killed recorder, and the start-up offer that reopens
// a take as a new dictation with all it kept. The journal's files on their
// own: tests/editors/recorder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QTest>
#include <algorithm>

#include "dictation_store_fixture.h"
#include "file_bytes.h"
#include "kivo/dictation/dictation_session.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "zn2index.h"

namespace kivo::dictation {
namespace {

using recorder::FormatTakeInfo;
using recorder::LeftoverTake;
using recorder::OfferLeftoverTakes;
using recorder::ParseTakeInfo;
using recorder::RecoveredTake;
using recorder::RecoveryQuestion;
using recorder::TakeInfo;
using recorder::TakeRecovery;

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

// A full disk can refuse both the store and the take (the journal stopped
// growing when the disk filled, and the whole recording cannot be written
// in its place). The recorder then holds the only copy of the recording: it
// stays open with it, says so, and saves it whole once the store takes it.
TEST_F(TakeRecoveryTest, SaveRefusedWhenTheTakeCannotBeKeptEitherLeavesTheRecordingInTheRecorder) {
    fs::create_directories(takes_.parent_path());
    test::WriteFileText(takes_.string(), "in the way");
    DictationSession recorder(*backend_, target_, reporter_);
    ASSERT_EQ(recorder.Open(), 0);
    ASSERT_EQ(recorder.Record(), 0);
    test::AdvanceAndPump(*backend_, 600);
    recorder.Stop();
    // The store refuses the container: a folder stands in its place.
    const fs::path away = dir_.path() / "away.xrt";
    fs::rename(store_->store_path(), away);
    fs::create_directory(store_->store_path());

    EXPECT_EQ(recorder.Save(), 109);
    EXPECT_FALSE(recorder.saved());
    EXPECT_TRUE(recorder.recording_open());
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[0].code, 109);
    EXPECT_EQ(reporter_.reports()[1].style, core::kStyleExclamation);
    EXPECT_TRUE(Recovery().Find().empty());

    // Room again: OK once more saves the whole recording.
    fs::remove(store_->store_path());
    fs::rename(away, store_->store_path());
    EXPECT_EQ(recorder.Save(), 0);
    EXPECT_TRUE(recorder.saved());
    const fs::path folder = OpenContainer(recorder, XR_OPEN_MEDIA);
    EXPECT_EQ(test::ReadWaveSamples((folder / ("D" + recorder.stamp() + ".xrw")).string()),
              Tape(0, 600));
}

// The journal stops part way (here its file cannot be opened for the second
// take, as on a full disk), the store refuses the save, and the whole
// recording cannot be kept as a take in its place: the part-way take stays,
// since it is all a crash would leave. Once the recording is saved after
// all, it goes, and the next start has nothing to offer.
TEST_F(TakeRecoveryTest, APartWayTakeGoesOnceTheRecordingIsSavedAfterAll) {
    DictationSession recorder(*backend_, target_, reporter_);
    ASSERT_EQ(recorder.Open(), 0);
    ASSERT_EQ(recorder.Record(), 0);
    test::AdvanceAndPump(*backend_, 300);
    recorder.Stop();
    const fs::path journal = recorder.JournalPath();
    ASSERT_FALSE(journal.empty());
    fs::path description = journal;
    description.replace_extension(recorder::kTakeInfoExtension);
    fs::rename(journal, dir_.path() / "first-take.xrj");
    fs::create_directory(journal);
    for (int n = 2; n <= 100; ++n)
        test::WriteFileText(
            (takes_ / (journal.stem().string() + "-" + std::to_string(n) + ".xrj")).string(),
            "taken");
    ASSERT_EQ(recorder.Record(), 0);
    test::AdvanceAndPump(*backend_, 300);
    recorder.Stop();
    const fs::path away = dir_.path() / "away.xrt";
    fs::rename(store_->store_path(), away);
    fs::create_directory(store_->store_path());

    EXPECT_EQ(recorder.Save(), 109);
    EXPECT_TRUE(recorder.recording_open());
    EXPECT_TRUE(fs::exists(description));

    fs::remove(store_->store_path());
    fs::rename(away, store_->store_path());
    EXPECT_EQ(recorder.Save(), 0);
    EXPECT_TRUE(recorder.saved());
    EXPECT_FALSE(fs::exists(description));
    EXPECT_FALSE(fs::exists(journal));
}

TEST_F(TakeRecoveryTest, YesReopensTheTakeAsANewDictationThatIsSaved) {
    // A take of an earlier version, in its working folder.
    LeaveTake(root_ / "VoxwrenDead04", "D6", Tape(0, 1500));
    reporter_.set_answer(core::kAnswerYes);
    std::unique_ptr<DictationSession> recorder;
    bool take_there_when_opened = false;
    const int opened = OfferLeftoverTakes(
        Recovery(), reporter_, work_,
        [&](const RecoveredTake& take, const std::function<void()>& release_take) {
            recorder = std::make_unique<DictationSession>(*backend_, target_, reporter_);
            if (recorder->OpenRecovered(take) != 0)
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

TEST_F(TakeRecoveryTest, KilledRecorderComesBackWithItsSubjectKeywordsMarksPictureAndTimes) {
    recordstore::LocalDateTime now{2026, 12, 8, 9, 41, 7, 0};
    const recordstore::ScopedLocalClock clock([&now] { return now; });
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(QString::fromStdString(dir_.file("face.jpg")), "JPG"));

    auto recorder = RecorderIn("VoxwrenLive09");
    ASSERT_EQ(recorder->Record(), 0);
    test::AdvanceAndPump(*backend_, 500);
    ASSERT_TRUE(recorder->AddMark("opening"));
    // A mark reaches the disk within about a second, while recording goes on.
    QTest::qWait(kJournalSyncInterval_ms + 400);
    EXPECT_TRUE(recorder->JournalDetailsWritten());
    const fs::path info_path = fs::path(recorder->JournalPath()).replace_extension(".xrq");
    const auto during = ParseTakeInfo(test::ReadFileText(info_path.string()));
    ASSERT_TRUE(during.has_value());
    ASSERT_EQ(during->details.marks.size(), 1u);
    EXPECT_EQ(during->details.marks[0].comment, "opening");
    EXPECT_TRUE(during->details.end_log_date.empty());  // still recording

    test::AdvanceAndPump(*backend_, 1000);
    ASSERT_TRUE(recorder->AddMark("the point"));
    test::AdvanceAndPump(*backend_, 500);
    now.second = 9;
    recorder->Stop();
    recorder->set_subject("Letter to the bank");
    recorder->set_keywords("loan rates");
    recorder->set_picture_path(dir_.path() / "face.jpg");
    QTest::qWait(kJournalSyncInterval_ms + 400);
    ASSERT_TRUE(recorder->JournalDetailsWritten());

    // Killed now: its files as they stand on disk, and no process holding
    // them.
    const fs::path dead = takes_ / "D20261208094107001.xrq";
    for (const char* extension : {".xrq", ".xrj", ".jpg"}) {
        fs::copy_file(fs::path(info_path).replace_extension(extension),
                      fs::path(dead).replace_extension(extension));
    }

    // The next start, two days later.
    now = recordstore::LocalDateTime{2026, 12, 10, 8, 0, 0, 0};
    reporter_.set_answer(core::kAnswerYes);
    std::unique_ptr<DictationSession> reopened;
    const int opened = OfferLeftoverTakes(
        Recovery(), reporter_, work_,
        [&](const RecoveredTake& take, const std::function<void()>& release_take) {
            reopened = std::make_unique<DictationSession>(*backend_, target_, reporter_);
            if (reopened->OpenRecovered(take) != 0)
                return false;
            release_take();
            EXPECT_EQ(reopened->subject(), "Letter to the bank");
            EXPECT_EQ(reopened->keywords(), "loan rates");
            EXPECT_EQ(reopened->start_text(), "08/12/2026 09:41:07");
            EXPECT_EQ(reopened->end_text(), "08/12/2026 09:41:09");
            EXPECT_EQ(reopened->length_ms(), 2000);
            const std::vector<RecorderMark> marks = reopened->Marks();
            EXPECT_EQ(marks.size(), 2u);
            if (marks.size() == 2) {
                EXPECT_EQ(marks[0].comment, "opening");
                EXPECT_EQ(marks[0].time_ms, 500);
                EXPECT_EQ(marks[1].comment, "the point");
                EXPECT_EQ(marks[1].time_ms, 1500);
            }
            EXPECT_EQ(test::ReadFileBytes(reopened->picture_path().string()),
                      test::ReadFileBytes(dir_.file("face.jpg")));
            return reopened->Save() == 0;
        });
    EXPECT_EQ(opened, 1);
    // One question: the live recorder's take is held and passed over.
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_NE(reporter_.reports()[0].text.find("Letter to the bank"), std::string::npos);
    EXPECT_FALSE(fs::exists(dead));

    // The saved dictation has the original times, not those of the recovery.
    const std::string log = test::ReadFileText((work_ / "Voxwren.xrr").string());
    ASSERT_EQ(log.size(), 2 * recordstore::kRecordLineBytes);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::Parse(log.substr(401), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.subject, "Letter to the bank");
    EXPECT_EQ(fields.start_date, "08/12/2026");
    EXPECT_EQ(fields.start_time, "09:41:07");
    EXPECT_EQ(fields.end_date, "08/12/2026");
    EXPECT_EQ(fields.end_time, "09:41:09");
    EXPECT_EQ(fields.duration, "00:00:02");
    std::string keywords(ZN2INDEX_KEYWORDS_BUFFER_BYTES, '\0');
    ASSERT_NE(Zn2IndexRead(fields.record_number, (work_ / "Voxwren.xri").string().c_str(),
                           keywords.data()),
              0);
    EXPECT_EQ(std::string(keywords.c_str()), "loan rates");
    const fs::path folder = OpenContainer(*reopened, XR_OPEN_DEFAULT);
    const std::string base = "D" + reopened->stamp();
    EXPECT_EQ(test::ReadWaveSamples((folder / (base + ".xrw")).string()), Tape(0, 2000));
    recordstore::IndexMarkRead read;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile((folder / (base + ".xrs")).string(), &read).ok());
    ASSERT_EQ(read.marks.size(), 2u);
    EXPECT_EQ(read.marks[1].time_stamp, "00:00:01");
    EXPECT_EQ(read.marks[1].comment, "the point");
    const std::string container = (folder / reopened->ContainerName()).string();
    EXPECT_EQ(CheckForFile(container.c_str(), (base + ".JPG").c_str()), 0);
}

TEST_F(TakeRecoveryTest, EditingAStoredDictationKeepsOnlyNewAudioAndNoStoredMarks) {
    // A saved dictation with a mark, opened again and recorded into.
    ASSERT_EQ(session_->Record(), 0);
    test::AdvanceAndPump(*backend_, 500);
    ASSERT_TRUE(session_->AddMark("stored mark"));
    test::AdvanceAndPump(*backend_, 500);
    session_->Stop();
    ASSERT_EQ(session_->Save(), 0);
    auto edit = std::make_unique<DictationSession>(*backend_, target_, reporter_);
    ASSERT_EQ(edit->OpenStored(session_->ContainerName(), *store_), 0);
    EXPECT_TRUE(edit->JournalPath().empty());  // the stored audio is safe in the store
    edit->set_record_insert(true);
    ASSERT_EQ(edit->Record(), 0);
    test::AdvanceAndPump(*backend_, 300);
    edit->Stop();
    const auto info = ParseTakeInfo(
        test::ReadFileText(fs::path(edit->JournalPath()).replace_extension(".xrq").string()));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->details.subject, edit->subject());
    // The journal's audio is only the new take: the stored marks, which
    // belong to the whole recording, are not kept with it.
    EXPECT_TRUE(info->details.marks.empty());
    EXPECT_EQ(fs::file_size(edit->JournalPath()), Tape(0, 300).size());
}

}  // namespace
}  // namespace kivo::dictation
