// PlaybackSession on the virtual sound card: what it plays from a stored
// record, the transport (two-second rewind, resume rewind, marks), playing a
// selection in turn, and saving marks back into the data store.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "file_bytes.h"
#include "kivo/exchange/recording_compressor.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/playback/playback_session.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/store_repository.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/wavefile/wave_reader.h"
#include "playback_fixture.h"
#include "remote_test_helpers.h"
#include "temp_dir.h"
#include "xrsave.h"

namespace kivo::playback {
namespace {

using recordstore::IndexMark;
using recordstore::MakeIndexMark;

class PlaybackSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store_.ok());
        sound::VirtualAudioBackend::Options options;
        options.output_wave_path = QString::fromStdString(output_.file("out.wav"));
        options.clock = sound::VirtualAudioBackend::Clock::kManual;
        backend_ = std::make_unique<sound::VirtualAudioBackend>(options);
        session_ = std::make_unique<PlaybackSession>(*backend_, store_.session());
        QObject::connect(session_.get(), &PlaybackSession::queueFinished, [this] { ++finished_; });
    }

    void Advance(int total_ms) {
        for (int done = 0; done < total_ms; done += 100) {
            backend_->Advance(100);
            QCoreApplication::processEvents();
        }
    }
    void PlayToTheEnd() {
        ASSERT_TRUE(test::WaitUntil([this] {
            backend_->Advance(100);
            return finished_ > 0;
        }));
    }
    std::vector<std::uint8_t> Played() const {
        wavefile::WaveData wave;
        if (!wavefile::ReadWaveFile(output_.file("out.wav"), &wave).ok())
            return {};
        return wave.samples;
    }

    test::StoredRecordings store_;
    test::TempDir output_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<PlaybackSession> session_;
    int finished_ = 0;
};

const std::vector<IndexMark> kTwoMarks = {MakeIndexMark("00:00:01", "first mark"),
                                          MakeIndexMark("00:00:03", "second mark")};

TEST_F(PlaybackSessionTest, PlaysTheStoredAudioUnchanged) {
    const auto samples = store_.AddRecord(7, 20000, kTwoMarks);
    ASSERT_TRUE(store_.ok());
    ASSERT_TRUE(session_->Begin({store_.item(7)})) << session_->error().toStdString();
    EXPECT_EQ(session_->length_ms(), 2500);
    EXPECT_EQ(session_->subject(), QStringLiteral("Subject of record 7"));
    ASSERT_EQ(session_->marks().size(), 2u);
    EXPECT_EQ(session_->marks()[1].comment, "second mark");
    EXPECT_EQ(session_->metadata().title, QStringLiteral("Subject of record 7"));

    session_->Start();
    EXPECT_EQ(session_->playbackStatus(), remote::PlaybackStatus::Playing);
    PlayToTheEnd();
    EXPECT_EQ(Played(), samples);
    EXPECT_EQ(session_->state(), PlaybackSession::State::kStopped);
}

TEST_F(PlaybackSessionTest, ARecordingCompressedForTheMailPlaysAtItsLength) {
    const auto samples = store_.AddRecord(7, 20000, kTwoMarks);
    ASSERT_TRUE(store_.ok());
    // An imported mail recording: the container holds the compressor's Ogg
    // stream under the wave's name.
    test::TempDir scratch;
    recordstore::Repository store(filesystem::DefaultFileSystem(), store_.store_path());
    ASSERT_TRUE(store.Get(scratch.path().string(), {"D7.xrz"}));
    std::filesystem::create_directory(scratch.path() / "work");
    exchange::ExportOptions compress;
    compress.compress = true;
    const auto compressed = exchange::CompressRecordingFile(scratch.path() / "D7.xrz", compress,
                                                            scratch.path() / "work");
    ASSERT_TRUE(compressed.ok()) << compressed.detail;
    ASSERT_TRUE(store.Put(scratch.path().string(), {"D7.xrz"}));

    ASSERT_TRUE(session_->Begin({store_.item(7)})) << session_->error().toStdString();
    EXPECT_EQ(session_->length_ms(), 2500);
    EXPECT_EQ(session_->marks().size(), 2u);
    session_->Start();
    PlayToTheEnd();
    EXPECT_EQ(Played().size(), samples.size());
}

TEST_F(PlaybackSessionTest, PlaysEachSelectedRecordingInTurn) {
    auto expected = store_.AddRecord(1, 4000, {});
    const auto second = store_.AddRecord(2, 6000, kTwoMarks);
    expected.insert(expected.end(), second.begin(), second.end());
    ASSERT_TRUE(session_->Begin({store_.item(1), store_.item(2)}));
    session_->Start();
    PlayToTheEnd();
    EXPECT_EQ(Played(), expected);
    EXPECT_EQ(session_->item().record_number, 2);
    EXPECT_EQ(session_->marks().size(), 2u);
}

TEST_F(PlaybackSessionTest, TwoSecondRewindAtOneAndAHalfSecondsSeeksToZeroAndPlays) {
    store_.AddRecord(3, 40000, {});
    ASSERT_TRUE(session_->Begin({store_.item(3)}));
    session_->SeekMs(1500);
    session_->command(2);
    EXPECT_EQ(session_->position_ms(), 0);
    EXPECT_TRUE(session_->is_playing());

    Advance(3000);
    EXPECT_EQ(session_->position_ms(), 3000);
    session_->RewindTwoSeconds();  // while playing: goes on from one second
    EXPECT_EQ(session_->position_ms(), 1000);
    EXPECT_TRUE(session_->is_playing());
}

TEST_F(PlaybackSessionTest, ResumingAfterAPauseStepsBackTheConfiguredTime) {
    store_.AddRecord(4, 48000, {});
    ASSERT_TRUE(session_->Begin({store_.item(4)}));
    session_->Start();
    Advance(3000);
    session_->Pause();
    EXPECT_EQ(session_->playbackStatus(), remote::PlaybackStatus::Paused);
    session_->Start();
    EXPECT_EQ(session_->position_ms(), 1000);  // 2 s by default

    session_->SetResumeRewindMs(9000);  // clamped to 5 s
    EXPECT_EQ(session_->resume_rewind_ms(), 5000);
    session_->SetResumeRewindMs(0);
    Advance(500);
    session_->Pause();
    session_->Start();
    EXPECT_EQ(session_->position_ms(), 1500);
}

TEST_F(PlaybackSessionTest, NextAndPreviousMarkMoveThePositionWithoutWrapping) {
    store_.AddRecord(5, 40000, kTwoMarks);
    ASSERT_TRUE(session_->Begin({store_.item(5)}));
    session_->NextMark();
    EXPECT_EQ(session_->position_ms(), 1000);
    EXPECT_EQ(session_->current_mark(), 0);
    session_->NextMark();
    session_->NextMark();
    EXPECT_EQ(session_->position_ms(), 3000);
    EXPECT_EQ(session_->current_mark(), 1);
    session_->PreviousMark();
    EXPECT_EQ(session_->position_ms(), 1000);
    EXPECT_FALSE(session_->is_playing());

    session_->command(6);  // next mark, then play
    EXPECT_EQ(session_->position_ms(), 3000);
    EXPECT_TRUE(session_->is_playing());
    session_->command(5);
    EXPECT_FALSE(session_->is_playing());
    session_->command(1);
    EXPECT_EQ(session_->position_ms(), 0);
    session_->command(99);  // unknown codes do nothing
    EXPECT_FALSE(session_->is_playing());
}

TEST_F(PlaybackSessionTest, SpeedIsAppliedWithoutTheEffectsPanel) {
    store_.AddRecord(6, 24000, {});  // three seconds
    ASSERT_TRUE(session_->Begin({store_.item(6)}));
    EXPECT_EQ(session_->SetSpeedPercent(500), 200);
    EXPECT_EQ(session_->SetSpeedPercent(150), 150);
    EXPECT_FALSE(session_->effects_enabled());
    session_->Start();
    PlayToTheEnd();
    const double seconds = static_cast<double>(Played().size()) / 2 / 8000;
    EXPECT_NEAR(seconds, 2.0, 0.1);
}

TEST_F(PlaybackSessionTest, SavedMarksReachTheContainerAndTheRecordIndex) {
    store_.AddRecord(8, 40000, kTwoMarks);
    ASSERT_TRUE(session_->Begin({store_.item(8)}));
    session_->SeekMs(2200);
    EXPECT_EQ(session_->AddMark("added in the middle"), 1);
    ASSERT_EQ(session_->Save(), 0) << session_->error().toStdString();

    test::TempDir check;
    ASSERT_EQ(XRopenXRZ("D8.xrz", check.path().c_str(), store_.store_path().c_str(), XR_OPEN_MARKS),
              XR_OK);
    recordstore::IndexMarkRead read;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile(check.file("D8.xrs"), &read).ok());
    ASSERT_EQ(read.marks.size(), 3u);
    EXPECT_EQ(read.marks[1].time_stamp, "00:00:02");
    EXPECT_EQ(read.marks[1].comment, "added in the middle");

    recordstore::RecordIndex index(store_.working() + "/" + std::string(recordstore::kIndexName));
    recordstore::IndexRecord entry;
    ASSERT_TRUE(index.Get(8, &entry).ok());
    EXPECT_EQ(entry.mark_comments, "first mark added in the middle second mark");
}

TEST_F(PlaybackSessionTest, MarksAreNotSavedIntoAStoreOpenedAfterThePlayer) {
    store_.AddRecord(11, 40000, kTwoMarks);
    ASSERT_TRUE(session_->Begin({store_.item(11)}));
    EXPECT_GE(session_->AddMark("added before the switch"), 0);

    // File > New while the player stays open; the switch saves the first store.
    const std::string other = output_.file("Other.xrt");
    ASSERT_EQ(store_.session().New(other), 0);
    const std::string first_bytes = test::ReadFileText(store_.store_path());
    const std::string other_bytes = test::ReadFileText(other);
    EXPECT_EQ(session_->Save(), kSaveContainerFailed);
    EXPECT_FALSE(session_->error().isEmpty());
    EXPECT_TRUE(test::ReadFileText(store_.store_path()) == first_bytes);
    EXPECT_TRUE(test::ReadFileText(other) == other_bytes);
}

TEST_F(PlaybackSessionTest, RefusesContainerNamesOutsideTheWorkingFolder) {
    EXPECT_FALSE(session_->Begin({{9, "../D9.xrz"}}));
    EXPECT_FALSE(session_->Begin({{9, "D9.exe"}}));
    EXPECT_FALSE(session_->Begin({{9, "D9.xrz"}}));  // not in the store
    EXPECT_FALSE(session_->has_recording());
    EXPECT_FALSE(session_->error().isEmpty());
    session_->command(4);  // nothing loaded: nothing happens
    EXPECT_FALSE(session_->is_playing());
}

}  // namespace
}  // namespace kivo::playback
