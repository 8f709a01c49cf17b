// The recorder through the virtual microphone: the saved wave holds exactly
// what was heard, pause discards, stopping keeps queued audio, empty takes,
// levels, failures; and the small player.
#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/audio/xr_wave.h"
#include "kivo/wavefile/wave_reader.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using test::Frames;
using wavefile::PcmFormat;

const PcmFormat kMono8k{1, 8000, 16};

class XRWaveTest : public ::testing::Test {
protected:
    XRWaveTest() {
        tape_ = test::MakeCountingPattern(kMono8k, 8000 * 10);
        test::WriteWave(dir_.file("in.wav"), kMono8k, tape_);
        backend_ = std::make_unique<sound::VirtualAudioBackend>(
            test::ManualOptions(dir_.file("in.wav"), dir_.file("out.wav")));
        recorder_ = std::make_unique<XRWave>(*backend_);
        recorder_->SetTakePath(QString::fromStdString(dir_.file("take.raw")));
        recorder_->SetAccumulatedPath(QString::fromStdString(dir_.file("acc.raw")));
        recorder_->SetWavePath(QString::fromStdString(dir_.file("rec.wav")));
    }

    // The owner's start sequence.
    void Start(int rec_qual = 0) {
        recorder_->SetStopping(false);
        recorder_->SetPaused(false);
        ASSERT_EQ(recorder_->Record(5, rec_qual), 1) << recorder_->last_error().toStdString();
        recorder_->SetRecordingActive(true);
    }
    // The owner's stop sequence.
    void StopAndAppend() {
        recorder_->SetStopping(true);
        EXPECT_EQ(recorder_->Stop(), 1);
        if (recorder_->recording_active()) {
            EXPECT_EQ(recorder_->AppendTake(), 0);
        }
        recorder_->SetRecordingActive(false);
    }
    void Listen(int ms) { test::AdvanceAndPump(*backend_, ms); }

    test::TempDir dir_;
    std::vector<std::uint8_t> tape_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<XRWave> recorder_;
};

TEST_F(XRWaveTest, RecQual7RecordsMono8000Hz16Bit) {
    Start(7);
    EXPECT_EQ(recorder_->format(), kMono8k);
    EXPECT_EQ(recorder_->buffer_bytes(), 3200u);  // 200 ms
    Listen(1000);
    StopAndAppend();
    EXPECT_EQ(recorder_->SaveWaveFile(), 0);
    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile(dir_.file("rec.wav"), &wave).ok());
    EXPECT_EQ(*wave.info.format.AsPlayablePcm(), kMono8k);
    EXPECT_EQ(wave.info.format.block.size(), 18u);
}

TEST_F(XRWaveTest, SavedWaveHoldsTheInputSampleForSample) {
    Start();
    Listen(2000);
    StopAndAppend();
    EXPECT_EQ(recorder_->data_size_bytes(), 32000u);
    ASSERT_EQ(recorder_->SaveWaveFile(), 0);
    recorder_->Reset();
    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile(dir_.file("rec.wav"), &wave).ok());
    EXPECT_EQ(wave.samples, Frames(tape_, kMono8k, 0, 16000));
    EXPECT_EQ(wave.info.fact_frames, 16000u);
}

TEST_F(XRWaveTest, TakesAreAppendedInOrder) {
    Start();
    Listen(600);
    StopAndAppend();
    Start();
    Listen(400);
    StopAndAppend();
    ASSERT_EQ(recorder_->SaveWaveFile(), 0);
    // The virtual microphone is one tape: the second take goes on from the first.
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("rec.wav")), Frames(tape_, kMono8k, 0, 8000));
}

TEST_F(XRWaveTest, StopWritesBuffersWhoseNotificationsAreStillQueued) {
    int buffers_notified = 0;
    QObject::connect(recorder_.get(), &XRWave::bufferRecorded, [&] { ++buffers_notified; });
    Start();
    backend_->Advance(1000);  // five buffers' worth captured, notification queued
    recorder_->SetStopping(true);
    recorder_->Stop();
    test::PumpEvents();  // the late notification arrives with the flag set
    EXPECT_EQ(buffers_notified, 0);
    EXPECT_EQ(test::ReadFileBytes(dir_.file("take.raw")), Frames(tape_, kMono8k, 0, 8000));
    EXPECT_EQ(recorder_->data_size_bytes(), 16000u);
}

TEST_F(XRWaveTest, StopKeepsThePartlyFilledBuffer) {
    Start();
    Listen(300);  // one full buffer and half of the next
    StopAndAppend();
    EXPECT_EQ(test::ReadFileBytes(dir_.file("take.raw")), Frames(tape_, kMono8k, 0, 2400));
}

TEST_F(XRWaveTest, EmptyTakeGivesAnEmptyTakeFileAndAppendsNothing) {
    Start();
    StopAndAppend();
    EXPECT_TRUE(std::filesystem::exists(dir_.file("take.raw")));
    EXPECT_EQ(std::filesystem::file_size(dir_.file("take.raw")), 0u);
    EXPECT_EQ(recorder_->data_size_bytes(), 0u);
    EXPECT_EQ(std::filesystem::file_size(dir_.file("acc.raw")), 0u);
    // Nothing to save: success, and no file.
    EXPECT_EQ(recorder_->SaveWaveFile(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("rec.wav")));
}

TEST_F(XRWaveTest, AnEmptyLastTakeDoesNotLoseTheEarlierOnes) {
    Start();
    Listen(400);
    StopAndAppend();
    Start();
    StopAndAppend();  // nothing recorded this time
    ASSERT_EQ(recorder_->SaveWaveFile(), 0);
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("rec.wav")), Frames(tape_, kMono8k, 0, 3200));
}

TEST_F(XRWaveTest, AudioCapturedWhilePausedIsDiscarded) {
    int level_updates = 0;
    QObject::connect(recorder_.get(), &XRWave::levelsUpdated, [&] { ++level_updates; });
    Start();
    Listen(400);  // buffers 1-2 written
    recorder_->SetPaused(true);
    const int updates_before_pause = level_updates;
    Listen(600);  // buffers 3-5 discarded
    EXPECT_EQ(level_updates, updates_before_pause);
    recorder_->SetPaused(false);
    Listen(400);  // buffers 6-7 written to the same take
    StopAndAppend();
    auto expected = Frames(tape_, kMono8k, 0, 3200);
    const auto after = Frames(tape_, kMono8k, 8000, 3200);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(test::ReadFileBytes(dir_.file("take.raw")), expected);
}

TEST_F(XRWaveTest, StoppingWhilePausedDiscardsThePartlyFilledBuffer) {
    Start();
    Listen(200);
    recorder_->SetPaused(true);
    Listen(100);
    StopAndAppend();
    EXPECT_EQ(test::ReadFileBytes(dir_.file("take.raw")), Frames(tape_, kMono8k, 0, 1600));
}

TEST(XRWaveLevels, EachBufferSetsThePeakLevels) {
    test::TempDir dir;
    const PcmFormat stereo{2, 8000, 16};
    // Left at half scale (high byte 0x40 -> 50), right at a quarter (25).
    std::vector<std::uint8_t> tape;
    for (int i = 0; i < 8000; ++i) {
        for (int value : {0x4000, 0x2000}) {
            tape.push_back(static_cast<std::uint8_t>(value & 0xFF));
            tape.push_back(static_cast<std::uint8_t>(value >> 8));
        }
    }
    test::WriteWave(dir.file("in.wav"), stereo, tape);
    sound::VirtualAudioBackend backend(test::ManualOptions(dir.file("in.wav"), ""));
    XRWave recorder(backend);
    recorder.SetTakePath(QString::fromStdString(dir.file("take.raw")));
    std::vector<std::pair<int, int>> levels;
    QObject::connect(&recorder, &XRWave::levelsUpdated,
                     [&](int left, int right) { levels.emplace_back(left, right); });
    ASSERT_EQ(recorder.Record(5, 1), 1);
    test::AdvanceAndPump(backend, 200);  // before the owner marks it active: no levels
    EXPECT_TRUE(levels.empty());
    recorder.SetRecordingActive(true);
    test::AdvanceAndPump(backend, 400);
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0], std::make_pair(50, 25));
    EXPECT_TRUE(recorder.level_updated());
    EXPECT_EQ(recorder.left_level(), 50);
    EXPECT_EQ(recorder.right_level(), 25);
    recorder.ClearLevelUpdated();
    EXPECT_FALSE(recorder.level_updated());
}

TEST_F(XRWaveTest, StopCalledAgainFromItsOwnSignalReturnsAtOnce) {
    int nested_results = 0;
    QObject::connect(recorder_.get(), &XRWave::inputClosed,
                     [&] { nested_results += recorder_->Stop(); });
    Start();
    Listen(200);
    EXPECT_EQ(recorder_->Stop(), 1);
    EXPECT_EQ(nested_results, 1);
    EXPECT_FALSE(recorder_->is_recording());
}

TEST_F(XRWaveTest, RecordFailuresLeaveTheRecorderIdleWithATextToShow) {
    recorder_->SetTakePath(QString::fromStdString(dir_.file("no/such/folder/take.raw")));
    EXPECT_EQ(recorder_->Record(5, 0), 0);
    EXPECT_TRUE(recorder_->last_error().startsWith("Record: Failed to create the take file\n"));
    EXPECT_FALSE(recorder_->is_recording());

    test::WriteFileText(dir_.file("bad.wav"), "RIFF....");
    sound::VirtualAudioBackend broken(test::ManualOptions(dir_.file("bad.wav"), ""));
    XRWave recorder(broken);
    recorder.SetTakePath(QString::fromStdString(dir_.file("take2.raw")));
    EXPECT_EQ(recorder.Record(5, 0), 0);
    EXPECT_TRUE(recorder.last_error().startsWith("Record: Failed to open wavein device\n"));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("take2.raw")));
    EXPECT_EQ(recorder.Reset(), 1);
}

TEST_F(XRWaveTest, AppendTakeReportsAMissingTake) {
    recorder_->SetTakePath(QString::fromStdString(dir_.file("missing.raw")));
    EXPECT_EQ(recorder_->AppendTake(), 220);
}

TEST_F(XRWaveTest, SaveFailureIs99) {
    Start();
    Listen(200);
    StopAndAppend();
    recorder_->SetWavePath(QString::fromStdString(dir_.file("no/such/folder/rec.wav")));
    EXPECT_EQ(recorder_->SaveWaveFile(), 99);
}

TEST_F(XRWaveTest, PlaysALoadedFileToTheEnd) {
    const auto pcm = test::MakeTone(kMono8k, 440, 500);
    test::WriteWave(dir_.file("chime.wav"), kMono8k, pcm);
    ASSERT_EQ(recorder_->LoadFile(QString::fromStdString(dir_.file("chime.wav"))), 1);
    EXPECT_EQ(recorder_->data_size_bytes(), pcm.size());
    bool finished = false;
    QObject::connect(recorder_.get(), &XRWave::playbackFinished, [&] { finished = true; });
    ASSERT_EQ(recorder_->Play(), 1);
    EXPECT_TRUE(recorder_->is_playing());
    Listen(600);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(recorder_->is_playing());
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("out.wav")), pcm);
}

TEST_F(XRWaveTest, LoadRefusesMissingBrokenAndEmptyWaves) {
    EXPECT_EQ(recorder_->LoadFile(QString::fromStdString(dir_.file("none.wav"))), 0);
    test::WriteFileText(dir_.file("broken.wav"), "RIFF");
    EXPECT_EQ(recorder_->LoadFile(QString::fromStdString(dir_.file("broken.wav"))), 0);
    test::WriteWave(dir_.file("empty.wav"), kMono8k, {});
    EXPECT_EQ(recorder_->LoadFile(QString::fromStdString(dir_.file("empty.wav"))), 0);
    EXPECT_FALSE(recorder_->has_data());
    EXPECT_EQ(recorder_->Play(), 0);
}

TEST_F(XRWaveTest, LoadsFromAQtResource) {
    ASSERT_EQ(recorder_->LoadResource(":/test-sounds/chime.wav"), 1);
    EXPECT_EQ(recorder_->format(), kMono8k);
    EXPECT_EQ(recorder_->data_size_bytes(), 320u);
    EXPECT_EQ(recorder_->LoadResource(":/test-sounds/broken.wav"), 0);
    EXPECT_EQ(recorder_->LoadResource(":/test-sounds/missing.wav"), 0);
}

TEST_F(XRWaveTest, WriteRiffPutsTheHeaderInFrontOfARawFile) {
    ASSERT_EQ(recorder_->LoadResource(":/test-sounds/chime.wav"), 1);
    const auto raw = test::MakeCountingPattern(kMono8k, 100);
    test::WriteFileBytes(dir_.file("temprec.wav"), raw);
    ASSERT_EQ(recorder_->WriteRiff(QString::fromStdString(dir_.file("riff.wav")),
                                   QString::fromStdString(dir_.file("temprec.wav"))),
              1);
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("riff.wav")), raw);
    EXPECT_EQ(recorder_->WriteRiff(QString::fromStdString(dir_.file("riff2.wav")),
                                   QString::fromStdString(dir_.file("missing.raw"))),
              0);
}

}  // namespace
}  // namespace kivo::audio
