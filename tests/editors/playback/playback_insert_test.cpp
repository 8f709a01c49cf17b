// Inserting new audio in the message player on the virtual sound card (manual
// clock, a known wave as the microphone), and playing backwards: where the
// audio and the marks land, what reaches the data store, and that nothing
// recorded is dropped without asking.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "committed_store.h"
#include "file_bytes.h"
#include "kivo/audio/effect_render.h"
#include "kivo/playback/playback_session.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "playback_fixture.h"
#include "remote_test_helpers.h"
#include "test_signals.h"
#include "xrsave.h"

namespace kivo::playback {
namespace {

using recordstore::IndexMark;
using recordstore::IndexMarkType;
using recordstore::MakeIndexMark;
using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kFramesPerSecond = 8000;
constexpr std::size_t kBytesPerSecond = 16000;

Bytes Slice(const Bytes& pcm, std::size_t from, std::size_t to) {
    return Bytes(pcm.begin() + static_cast<std::ptrdiff_t>(from),
                 pcm.begin() + static_cast<std::ptrdiff_t>(to));
}

class PlaybackInsertTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store_.ok());
        microphone_ = test::MakeTone(test::kMono8k, 440, 1000);
        ASSERT_TRUE(wavefile::WritePcmWave(files_.file("in.wav"), test::kMono8k, microphone_).ok());
        MakeSession(files_.file("in.wav"));
    }
    void MakeSession(const std::string& input_wave) {
        session_.reset();
        sound::VirtualAudioBackend::Options options;
        options.input_wave_path = QString::fromStdString(input_wave);
        options.output_wave_path = QString::fromStdString(files_.file("out.wav"));
        options.clock = sound::VirtualAudioBackend::Clock::kManual;
        backend_ = std::make_unique<sound::VirtualAudioBackend>(options);
        session_ = std::make_unique<PlaybackSession>(*backend_, store_.session());
        session_->SetMessageReporter(&reporter_);
        QObject::connect(session_.get(), &PlaybackSession::closeRequested,
                         [this] { ++close_requests_; });
        QObject::connect(session_.get(), &PlaybackSession::queueFinished, [this] { ++finished_; });
    }
    // Records `ms` of the microphone at `at_ms` and stops.
    void InsertAt(std::int64_t at_ms, int ms) {
        session_->SeekMs(at_ms);
        ASSERT_TRUE(session_->StartInsert()) << session_->error().toStdString();
        backend_->Advance(ms);
        QCoreApplication::processEvents();
        session_->StopPlaying();
    }
    // The record's members as the data store holds them now.
    struct Stored {
        Bytes wave;
        std::vector<IndexMark> marks;
        recordstore::RecordLine line;
    };
    Stored Reopen(int number) {
        Stored stored;
        test::TempDir check;
        const std::string name = "D" + std::to_string(number);
        EXPECT_EQ(XRopenXRZ((name + ".xrz").c_str(), check.path().c_str(),
                            store_.store_path().c_str(), XR_OPEN_DEFAULT),
                  XR_OK);
        wavefile::WaveData wave;
        EXPECT_TRUE(wavefile::ReadWaveFile(check.file(name + ".xrw"), &wave).ok());
        stored.wave = wave.samples;
        recordstore::IndexMarkRead read;
        EXPECT_TRUE(recordstore::ReadIndexMarkFile(check.file(name + ".xrs"), &read).ok());
        stored.marks = read.marks;
        EXPECT_TRUE(
            recordstore::RecordLine::ReadFile(check.file(name + ".xrl"), &stored.line).ok());
        return stored;
    }
    Bytes Played() const {
        wavefile::WaveData wave;
        if (!wavefile::ReadWaveFile(files_.file("out.wav"), &wave).ok())
            return {};
        return wave.samples;
    }

    test::StoredRecordings store_;
    test::TempDir files_;
    Bytes microphone_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<PlaybackSession> session_;
    int close_requests_ = 0;
    int finished_ = 0;
};

TEST_F(PlaybackInsertTest, InsertOfOneSecondAtOneSecondReachesContainerLogAndIndex) {
    const Bytes original =
        store_.AddRecord(10, 3 * kFramesPerSecond, {MakeIndexMark("00:00:02", "at two")});
    ASSERT_TRUE(store_.ok());
    ASSERT_TRUE(session_->Begin({store_.item(10)}));

    session_->SeekMs(1000);
    ASSERT_TRUE(session_->StartInsert());
    EXPECT_TRUE(session_->is_inserting());
    EXPECT_EQ(session_->AddMark("while recording"), -1);  // marks wait for Stop
    ASSERT_EQ(session_->marks().size(), 2u);
    EXPECT_EQ(session_->marks()[0].comment, "insert start");
    EXPECT_EQ(session_->marks()[0].type, IndexMarkType::kInsertStart);
    backend_->Advance(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(session_->position_ms(), 2000);
    session_->StopPlaying();

    EXPECT_FALSE(session_->is_inserting());
    EXPECT_TRUE(session_->has_unsaved_audio());
    EXPECT_EQ(session_->length_ms(), 4000);
    EXPECT_EQ(session_->position_ms(), 2000);
    ASSERT_EQ(session_->Save(), 0) << session_->error().toStdString();
    EXPECT_FALSE(session_->has_unsaved_audio());

    const Stored stored = Reopen(10);
    Bytes expected = Slice(original, 0, kBytesPerSecond);
    expected.insert(expected.end(), microphone_.begin(), microphone_.end());
    const Bytes rest = Slice(original, kBytesPerSecond, original.size());
    expected.insert(expected.end(), rest.begin(), rest.end());
    ASSERT_EQ(stored.wave.size(), 4 * kBytesPerSecond);
    EXPECT_TRUE(stored.wave == expected);

    ASSERT_EQ(stored.marks.size(), 3u);
    EXPECT_EQ(stored.marks[0].time_stamp, "00:00:01");
    EXPECT_EQ(stored.marks[0].comment, "insert start");
    EXPECT_EQ(stored.marks[0].type, IndexMarkType::kInsertStart);
    EXPECT_EQ(stored.marks[1].time_stamp, "00:00:02");
    EXPECT_EQ(stored.marks[1].comment, "insert end");
    EXPECT_EQ(stored.marks[1].type, IndexMarkType::kInsertEnd);
    EXPECT_EQ(stored.marks[2].time_stamp, "00:00:03");  // moved by the inserted second
    EXPECT_EQ(stored.marks[2].comment, "at two");
    EXPECT_EQ(stored.line.FieldText(recordstore::record_field::kDuration), "00:00:04");
    EXPECT_EQ(stored.line.FieldText(recordstore::record_field::kSubject), "Subject of record 10");

    // The record log and the index as committed (the data store with its
    // component journal), not just the working copies.
    test::TempDir check;
    const auto committed = test::ReadCommittedComponents(store_.store_path());
    for (const char* member : {"Voxwren.xrr", recordstore::kIndexName.data()}) {
        ASSERT_EQ(committed.count(member), 1u) << member;
        test::WriteFileText(check.file(member), committed.at(member));
    }
    recordstore::RecordLogEntry entry;
    ASSERT_TRUE(recordstore::RecordLog::Find(check.file("Voxwren.xrr"), 10, &entry).ok());
    EXPECT_EQ(entry.line.FieldText(recordstore::record_field::kDuration), "00:00:04");
    EXPECT_EQ(entry.line.FieldText(recordstore::record_field::kContainerName), "D10.xrz");
    recordstore::RecordIndex index(check.file(std::string(recordstore::kIndexName)));
    recordstore::IndexRecord indexed;
    ASSERT_TRUE(index.Get(10, &indexed).ok());
    EXPECT_EQ(indexed.mark_comments, "insert start insert end at two");

    // The saved recording plays as stored.
    session_->RewindToStart();
    session_->Start();
    ASSERT_TRUE(test::WaitUntil([this] {
        backend_->Advance(100);
        return finished_ > 0;
    }));
    EXPECT_TRUE(Played() == expected);
}

TEST_F(PlaybackInsertTest, RecordingThatCannotStartReportsMessage202AndAsksToClose) {
    store_.AddRecord(11, 2 * kFramesPerSecond, {});
    MakeSession(files_.file("no-such-microphone.wav"));
    ASSERT_TRUE(session_->Begin({store_.item(11)}));
    session_->SeekMs(500);
    EXPECT_FALSE(session_->StartInsert());
    EXPECT_EQ(reporter_.codes(), std::vector<int>{202});
    EXPECT_EQ(reporter_.reports()[0].text,
              "Kivo could not start recording using your default recording device : Error 202");
    EXPECT_EQ(close_requests_, 1);
    EXPECT_FALSE(session_->is_inserting());
    EXPECT_TRUE(session_->marks().empty());
    EXPECT_FALSE(session_->has_unsaved_audio());
    EXPECT_TRUE(session_->ConfirmDiscard());  // nothing to ask about
    EXPECT_EQ(reporter_.codes().size(), 1u);
}

TEST_F(PlaybackInsertTest, InsertingIsRefusedWithTheEffectsOn) {
    store_.AddRecord(12, 2 * kFramesPerSecond, {});
    ASSERT_TRUE(session_->Begin({store_.item(12)}));
    session_->SetEffectsEnabled(true);
    EXPECT_FALSE(session_->StartInsert());
    EXPECT_TRUE(reporter_.codes().empty());
    EXPECT_EQ(close_requests_, 0);
    session_->SetEffectsEnabled(false);
    EXPECT_TRUE(session_->StartInsert());
    session_->SetEffectsEnabled(true);  // ends the insertion first
    EXPECT_FALSE(session_->is_inserting());
    EXPECT_EQ(session_->marks().back().comment, "insert end");
}

TEST_F(PlaybackInsertTest, ClosingWithInsertedAudioAsksAndOnlyYesSaves) {
    const Bytes original = store_.AddRecord(13, 2 * kFramesPerSecond, {});
    ASSERT_TRUE(session_->Begin({store_.item(13)}));
    InsertAt(1000, 500);
    reporter_.set_answer(core::kAnswerNo);
    EXPECT_TRUE(session_->ConfirmDiscard());
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_TRUE(Reopen(13).wave == original);
    EXPECT_TRUE(Reopen(13).marks.empty());

    MakeSession(files_.file("in.wav"));
    ASSERT_TRUE(session_->Begin({store_.item(13)}));
    InsertAt(2000, 500);  // at the end: appended
    reporter_.set_answer(core::kAnswerYes);
    EXPECT_TRUE(session_->ConfirmDiscard());
    EXPECT_EQ(reporter_.codes(), (std::vector<int>{1, 1}));
    const Stored stored = Reopen(13);
    ASSERT_EQ(stored.wave.size(), original.size() + kBytesPerSecond / 2);
    EXPECT_TRUE(Slice(stored.wave, 0, original.size()) == original);
    ASSERT_EQ(stored.marks.size(), 2u);
    EXPECT_EQ(stored.marks[1].comment, "insert end");
}

TEST_F(PlaybackInsertTest, UnsavedInsertedAudioKeepsTheNextQueuedRecordingFromLoading) {
    store_.AddRecord(14, kFramesPerSecond, {});
    store_.AddRecord(15, kFramesPerSecond, {});
    ASSERT_TRUE(session_->Begin({store_.item(14), store_.item(15)}));
    InsertAt(0, 200);
    session_->Start();
    ASSERT_TRUE(test::WaitUntil([this] {
        backend_->Advance(100);
        return finished_ > 0;
    }));
    EXPECT_EQ(session_->item().record_number, 14);
    EXPECT_TRUE(session_->has_unsaved_audio());
}

TEST_F(PlaybackInsertTest, ReversePlaysBackwardsFromTheCurrentPosition) {
    if (!PlaybackSession::ReverseAvailable())
        GTEST_SKIP() << "libsox is not available";
    const Bytes original =
        store_.AddRecord(16, 2 * kFramesPerSecond, {MakeIndexMark("00:00:01", "middle")});
    ASSERT_TRUE(session_->Begin({store_.item(16)}));
    EXPECT_TRUE(session_->SetReverse(true));
    EXPECT_FALSE(session_->playing_reversed());  // only with the effects on
    session_->SetEffectsEnabled(true);
    EXPECT_TRUE(session_->playing_reversed());

    session_->NextMark();  // positions stay those of the recording
    EXPECT_EQ(session_->position_ms(), 1000);
    session_->Start();
    ASSERT_TRUE(test::WaitUntil([this] {
        backend_->Advance(100);
        return finished_ > 0;
    }));
    Bytes expected = Slice(original, 0, kBytesPerSecond);
    wavefile::ReverseFrames(&expected, test::kMono8k);
    EXPECT_TRUE(Played() == expected);
    EXPECT_EQ(session_->position_ms(), 0);
    EXPECT_FALSE(session_->play_clock_time().isEmpty());
    EXPECT_EQ(session_->play_clock_date().size(), 10);

    session_->SetReverse(false);
    EXPECT_FALSE(session_->playing_reversed());
    EXPECT_EQ(session_->position_ms(), 0);
}

}  // namespace
}  // namespace kivo::playback
