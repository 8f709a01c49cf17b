// Take journals and their recovery, file by file: the journal's names and
// what it keeps (audio, description, details, picture), what TakeRecovery
// finds in the takes folder and in the working folders of earlier versions
// (and what it must leave alone), and the start-up offer that hands a take
// to its recorder or deletes it. Takes of a live recorder: the dictation
// tests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/core/user_messages.h"
#include "kivo/recorder/take_journal.h"
#include "kivo/recorder/take_recovery.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;
using recordstore::IndexMarkType;
using recordstore::PictureType;

const wavefile::PcmFormat kMono8k{1, 8000, 16};

class TakeFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root_);
        fs::create_directories(work_);
        fs::create_directories(takes_);
    }

    std::vector<std::uint8_t> Tape(std::int64_t first_ms, std::int64_t ms) const {
        return test::Frames(tape_, kMono8k, first_ms * 8, ms * 8);
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

    // A journal made and then let go, as a recorder killed after writing
    // these details leaves it.
    void LeaveTakeWithDetails(const std::string& base, const TakeDetails& details,
                              const fs::path& picture) {
        const TakeInfo info{kMono8k, "08/12/2026 09:41:07", RecorderKind::kDictation};
        auto journal = TakeJournal::Create(takes_, base, info, Tape(0, 2000));
        ASSERT_NE(journal, nullptr);
        ASSERT_TRUE(journal->WriteDetails(details, picture));
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

    static TakeDetails LetterDetails() {
        TakeDetails details;
        details.end_log_date = "08/12/2026 09:41:09";
        details.subject = "Letter to the bank";
        details.keywords = "loan rates";
        details.marks = {{500, "opening", IndexMarkType::kUser},
                         {1500, "the point", IndexMarkType::kUser}};
        return details;
    }

    test::TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    fs::path takes_ = dir_.path() / "home" / "Takes";
    fs::path root_ = dir_.path() / "tmp";  // the temporary root
    std::vector<std::uint8_t> tape_ = test::MakeCountingPattern(kMono8k, 8000 * 20);
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
};

TEST_F(TakeFilesTest, ANewJournalNeverOverwritesATakeOfTheSameName) {
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

TEST_F(TakeFilesTest, TakesFolderComesFirstThenOldWorkingFolders) {
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

TEST_F(TakeFilesTest, TornLastFrameIsDroppedAndEmptyTakesAreCleanedUp) {
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

TEST_F(TakeFilesTest, WhatIsNotALeftOverTakeIsLeftAlone) {
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

TEST_F(TakeFilesTest, HalfWrittenDescriptionsAreClearedUnlessBeingWritten) {
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

TEST_F(TakeFilesTest, TakeInfoParsesOnlyItsOwnThreeLines) {
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

TEST_F(TakeFilesTest, NoDeletesTheTakeWithoutOpeningTheRecorder) {
    const fs::path folder = LeaveTake(takes_, "D7", Tape(0, 800));
    reporter_.set_answer(core::kAnswerNo);
    bool opened = false;
    EXPECT_EQ(OfferLeftoverTakes(Recovery(), reporter_, work_,
                                 [&](const RecoveredTake&, const std::function<void()>&) {
                                     opened = true;
                                     return true;
                                 }),
              0);
    EXPECT_FALSE(opened);
    EXPECT_FALSE(fs::exists(folder / "D7.xrj"));
    EXPECT_FALSE(fs::exists(folder / "D7.xrq"));
}

TEST(TakeDetailsTest, TextsMarksAndPictureComeBackAsWritten) {
    TakeDetails details;
    details.end_log_date = "08/12/2026 09:41:09";
    details.subject = "Back\\slash and caf\xC3\xA9";
    details.keywords = "first line\r\nsecond\tcolumn";
    details.picture = PictureType::kGif;
    details.marks = {{0, "start", IndexMarkType::kUser},
                     {4000, "insert \\n begins", IndexMarkType::kInsertStart},
                     {9000, " ", IndexMarkType::kInsertEnd}};
    const std::string text = FormatTakeDetails(details);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);  // one line an item
    EXPECT_EQ(ParseTakeDetails(text), details);

    // While recording there is no end; without marks there are no mark lines.
    EXPECT_EQ(ParseTakeDetails(FormatTakeDetails(TakeDetails{})), TakeDetails{});
}

TEST(TakeDetailsTest, LaterItemsArePassedOverAndDamagedDetailsRefused) {
    const std::string good =
        FormatTakeDetails(TakeDetails{"", "Subject", "", PictureType::kNone, {}});
    const auto later = ParseTakeDetails(good + "colour blue\n");
    ASSERT_TRUE(later.has_value());
    EXPECT_EQ(later->subject, "Subject");

    EXPECT_FALSE(ParseTakeDetails(good + "mark x 0 comment\n"));
    EXPECT_FALSE(ParseTakeDetails(good + "mark 500 7 comment\n"));
    EXPECT_FALSE(ParseTakeDetails(good + "mark -5 0 comment\n"));
    EXPECT_FALSE(ParseTakeDetails(good + "subject bad \\q escape\n"));
    EXPECT_FALSE(ParseTakeDetails(good + "subject bell \a\n"));
    EXPECT_FALSE(ParseTakeDetails(good + "picture bmp\n"));
    EXPECT_FALSE(ParseTakeDetails(good + "subject torn"));  // no line end: cut short
}

TEST_F(TakeFilesTest, TakeInfoOfVersionOneIsADictationAndVersionTwoNamesItsRecorder) {
    const auto old = ParseTakeInfo("KIVO TAKE 1\nformat 1 8000 16\nstart 08/12/2026 09:41:07\n");
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->kind, RecorderKind::kDictation);
    EXPECT_EQ(old->start_log_date, "08/12/2026 09:41:07");

    const TakeInfo meeting{kMono8k, "08/12/2026 10:00:00", RecorderKind::kMeeting};
    EXPECT_TRUE(FormatTakeInfo(meeting).starts_with(
        "KIVO TAKE 2\nformat 1 8000 16\nstart 08/12/2026 10:00:00\nkind meeting\nend \n"));
    const auto parsed = ParseTakeInfo(FormatTakeInfo(meeting));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->kind, RecorderKind::kMeeting);

    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 2\nformat 1 8000 16\nstart x\nkind fax\n"));
    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 2\nformat 1 8000 16\nstart x\n"));
    EXPECT_FALSE(ParseTakeInfo("KIVO TAKE 1\nformat 1 8000 16\nstart x\nkind dictation\n"));
}

TEST_F(TakeFilesTest, DetailsAndTheirPictureComeBackWithTheTake) {
    test::WriteFileText(dir_.file("face.gif"), "GIF89a first picture");
    test::WriteFileText(dir_.file("view.JPG"), "JPEG second picture");
    const TakeInfo info{kMono8k, "08/12/2026 09:41:07", RecorderKind::kDictation};
    auto journal = TakeJournal::Create(takes_, "D5", info, Tape(0, 2000));
    ASSERT_NE(journal, nullptr);
    TakeDetails details = LetterDetails();
    ASSERT_TRUE(journal->WriteDetails(details, dir_.path() / "face.gif"));
    EXPECT_EQ(test::ReadFileText((takes_ / "D5.gif").string()), "GIF89a first picture");
    // Another picture of the other type replaces it.
    details.subject = "Letter to the building society";
    ASSERT_TRUE(journal->WriteDetails(details, dir_.path() / "view.JPG"));
    EXPECT_EQ(TakeFiles(), (std::vector<std::string>{"D5.jpg", "D5.xrj", "D5.xrq"}));
    // The description written anew is held as the first one was.
    EXPECT_TRUE(Recovery().Find().empty());
    journal.reset();  // the lock goes, the files stay: as after a kill

    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 1u);
    TakeDetails expected = details;
    expected.picture = PictureType::kJpg;  // taken from the picture's name
    EXPECT_EQ(takes[0].info.details, expected);
    EXPECT_EQ(takes[0].picture_path, takes_ / "D5.jpg");
    EXPECT_EQ(test::ReadFileText(takes[0].picture_path.string()), "JPEG second picture");
    EXPECT_EQ(takes[0].info.start_log_date, "08/12/2026 09:41:07");
    EXPECT_EQ(takes[0].end_log_date, "08/12/2026 09:41:09");
    EXPECT_NE(RecoveryQuestion(takes[0]).find("Letter to the building society"), std::string::npos);

    TakeRecovery::Discard(takes[0]);
    EXPECT_TRUE(TakeFiles().empty());
}

TEST_F(TakeFilesTest, RemovedPictureAndRemovedJournalLeaveNothingBehind) {
    test::WriteFileText(dir_.file("face.gif"), "GIF89a");
    const TakeInfo info{kMono8k, "", RecorderKind::kDictation};
    auto journal = TakeJournal::Create(takes_, "D6", info, Tape(0, 100));
    ASSERT_NE(journal, nullptr);
    ASSERT_TRUE(journal->WriteDetails(LetterDetails(), dir_.path() / "face.gif"));
    ASSERT_TRUE(journal->WriteDetails(LetterDetails(), {}));
    EXPECT_EQ(TakeFiles(), (std::vector<std::string>{"D6.xrj", "D6.xrq"}));
    ASSERT_TRUE(journal->WriteDetails(LetterDetails(), dir_.path() / "face.gif"));
    journal->Remove();
    EXPECT_TRUE(TakeFiles().empty());
}

TEST_F(TakeFilesTest, TakeWithoutDetailsEndsWhenItsAudioWasLastWritten) {
    // A take of an earlier version: a version 1 description and audio only.
    fs::create_directories(takes_);
    test::WriteFileText((takes_ / "D7.xrq").string(),
                        "KIVO TAKE 1\nformat 1 8000 16\nstart 08/12/2026 09:41:07\n");
    test::WriteFileBytes((takes_ / "D7.xrj").string(), Tape(0, 1000));
    std::tm written{};
    written.tm_year = 2026 - 1900;
    written.tm_mon = 11;
    written.tm_mday = 8;
    written.tm_hour = 9;
    written.tm_min = 45;
    written.tm_sec = 30;
    written.tm_isdst = -1;
    const struct timespec times[2] = {{std::mktime(&written), 0}, {std::mktime(&written), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (takes_ / "D7.xrj").c_str(), times, 0), 0);
    // And one whose details are damaged: its audio still counts.
    test::WriteFileText((takes_ / "D8.xrq").string(),
                        FormatTakeInfo(TakeInfo{kMono8k, "08/12/2026 09:41:07"}) + "mark x\n");
    test::WriteFileBytes((takes_ / "D8.xrj").string(), Tape(0, 1000));

    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 2u);
    EXPECT_EQ(takes[0].info.kind, RecorderKind::kDictation);
    EXPECT_EQ(takes[0].info.details, TakeDetails{});
    EXPECT_TRUE(takes[0].picture_path.empty());
    EXPECT_EQ(takes[0].end_log_date, "08/12/2026 09:45:30");
    EXPECT_EQ(takes[1].info.details, TakeDetails{});
    EXPECT_EQ(takes[1].length_ms(), 1000);
}

TEST_F(TakeFilesTest, DetailsNamingAMissingPictureComeBackWithoutOne) {
    test::WriteFileText(dir_.file("face.gif"), "GIF89a");
    LeaveTakeWithDetails("D9", LetterDetails(), dir_.path() / "face.gif");
    fs::remove(takes_ / "D9.gif");
    const std::vector<LeftoverTake> takes = Recovery().Find();
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].info.details.picture, PictureType::kNone);
    EXPECT_TRUE(takes[0].picture_path.empty());
    EXPECT_EQ(takes[0].info.details.subject, "Letter to the bank");
}

TEST_F(TakeFilesTest, HalfWrittenPicturesAreClearedUnlessBeingWritten) {
    fs::create_directories(takes_);
    for (const char* name : {"D8.gif.new", "D8.jpg.new", "D9.jpg.new", "notes.txt.new"})
        test::WriteFileText((takes_ / name).string(), "part");
    const int held = ::open((takes_ / "D9.jpg.new").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(Recovery().Find().empty());
    EXPECT_EQ(TakeFiles(), (std::vector<std::string>{"D9.jpg.new", "notes.txt.new"}));
    ::close(held);
}

TEST_F(TakeFilesTest, YesHandsTheRecorderTheAudioDetailsAndACopyOfThePicture) {
    test::WriteFileText(dir_.file("face.gif"), "GIF89a picture");
    LeaveTakeWithDetails("D4", LetterDetails(), dir_.path() / "face.gif");
    reporter_.set_answer(core::kAnswerYes);
    int calls = 0;
    const int opened = OfferLeftoverTakes(
        Recovery(), reporter_, work_,
        [&](const RecoveredTake& take, const std::function<void()>& release_take) {
            ++calls;
            EXPECT_EQ(test::ReadWaveSamples(take.wave.string()), Tape(0, 2000));
            EXPECT_EQ(take.wave.parent_path(), work_);
            EXPECT_EQ(take.picture.parent_path(), work_);
            EXPECT_EQ(test::ReadFileText(take.picture.string()), "GIF89a picture");
            EXPECT_EQ(take.picture.extension(), ".gif");
            EXPECT_EQ(take.info.start_log_date, "08/12/2026 09:41:07");
            EXPECT_EQ(take.end_log_date, "08/12/2026 09:41:09");
            EXPECT_EQ(take.info.details.subject, "Letter to the bank");
            EXPECT_EQ(take.info.details.keywords, "loan rates");
            EXPECT_EQ(take.info.details.marks.size(), 2u);
            release_take();
            EXPECT_TRUE(TakeFiles().empty());
            return true;
        });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(fs::is_empty(work_));  // the wave and picture copies are gone
}

TEST_F(TakeFilesTest, ATakeTheRecorderCouldNotOpenIsOfferedAgain) {
    LeaveTakeWithDetails("D3", LetterDetails(), {});
    reporter_.set_answer(core::kAnswerYes);
    const auto refuse = [](const RecoveredTake&, const std::function<void()>&) { return false; };
    EXPECT_EQ(OfferLeftoverTakes(Recovery(), reporter_, work_, refuse), 0);
    EXPECT_EQ(Recovery().Find().size(), 1u);
    EXPECT_TRUE(fs::is_empty(work_));
}

}  // namespace
}  // namespace kivo::recorder
