// The editable recording: recording inserted or overwritten at a position,
// deleting ranges, playing from a position or a range, time formats,
// saving through "temp.xrw", and the recording-source selector.
#include <gtest/gtest.h>

#include <filesystem>

#include "audio_test_support.h"
#include "file_bytes.h"
#include "kivo/audio/mixer_selector.h"
#include "kivo/audio/wave_document.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using test::Frames;
using wavefile::PcmFormat;

const PcmFormat kMono8k{1, 8000, 16};

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> joined;
    for (const auto& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

class WaveDocumentTest : public ::testing::Test {
protected:
    WaveDocumentTest() {
        tape_ = test::MakeCountingPattern(kMono8k, 8000 * 10);
        test::WriteWave(dir_.file("in.wav"), kMono8k, tape_);
        backend_ = std::make_unique<sound::VirtualAudioBackend>(
            test::ManualOptions(dir_.file("in.wav"), dir_.file("out.wav")));
        document_ = std::make_unique<WaveDocument>(*backend_);
    }

    void RecordFor(WaveDocument::RecordMode mode, int ms) {
        ASSERT_EQ(document_->Record(mode), kWaveOk);
        test::AdvanceAndPump(*backend_, ms);
        ASSERT_EQ(document_->Stop(), kWaveOk);
    }
    std::vector<std::uint8_t> Tape(std::int64_t first_ms, std::int64_t ms) const {
        return Frames(tape_, kMono8k, first_ms * 8, ms * 8);
    }
    std::vector<std::uint8_t> Played() const { return test::ReadWaveSamples(dir_.file("out.wav")); }

    test::TempDir dir_;
    std::vector<std::uint8_t> tape_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<WaveDocument> document_;
};

TEST_F(WaveDocumentTest, RecordsInsertsOverwritesAndDeletes) {
    ASSERT_EQ(document_->Open(QString()), kWaveOk);
    ASSERT_EQ(document_->SetFormatFromQuality(0), kWaveOk);

    RecordFor(WaveDocument::RecordMode::kOverwrite, 1000);  // tape 0-1000
    EXPECT_EQ(document_->length_ms(), 1000);
    EXPECT_EQ(document_->position_ms(), 1000);
    EXPECT_EQ(document_->samples(), Tape(0, 1000));

    ASSERT_EQ(document_->Seek(500), kWaveOk);
    RecordFor(WaveDocument::RecordMode::kInsert, 250);  // tape 1000-1250 at 500
    EXPECT_EQ(document_->length_ms(), 1250);
    EXPECT_EQ(document_->position_ms(), 750);
    EXPECT_EQ(document_->samples(), Join({Tape(0, 500), Tape(1000, 250), Tape(500, 500)}));

    ASSERT_EQ(document_->Seek(100), kWaveOk);
    RecordFor(WaveDocument::RecordMode::kOverwrite, 100);  // tape 1250-1350 over 100-200
    EXPECT_EQ(document_->length_ms(), 1250);
    EXPECT_EQ(document_->samples(), Join({Tape(0, 100), Tape(1250, 100), Tape(200, 300),
                                          Tape(1000, 250), Tape(500, 500)}));

    ASSERT_EQ(document_->Seek(1200), kWaveOk);
    RecordFor(WaveDocument::RecordMode::kOverwrite, 100);  // runs 50 ms past the end
    EXPECT_EQ(document_->length_ms(), 1300);

    const auto before = document_->samples();
    ASSERT_EQ(document_->DeleteRange(200, 400), kWaveOk);
    EXPECT_EQ(document_->length_ms(), 1100);
    EXPECT_EQ(document_->position_ms(), 200);
    EXPECT_EQ(document_->samples(),
              Join({Frames(before, kMono8k, 0, 1600), Frames(before, kMono8k, 3200, 8000)}));

    // Streamed in blocks that cut across the pieces, the bytes are the same;
    // a sink that refuses ends the walk.
    std::vector<std::uint8_t> streamed;
    std::size_t largest_block = 0;
    EXPECT_TRUE(document_->ForEachSampleBlock(
        [&](const std::uint8_t* bytes, std::size_t size) {
            streamed.insert(streamed.end(), bytes, bytes + size);
            largest_block = std::max(largest_block, size);
            return true;
        },
        333));
    EXPECT_EQ(streamed, document_->samples());
    EXPECT_EQ(largest_block, 333u);
    int calls = 0;
    EXPECT_FALSE(document_->ForEachSampleBlock(
        [&](const std::uint8_t*, std::size_t) { return ++calls < 2; }, 333));
    EXPECT_EQ(calls, 2);
}

TEST_F(WaveDocumentTest, LengthGrowsWhileRecording) {
    ASSERT_EQ(document_->Open(QString()), kWaveOk);
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kInsert), kWaveOk);
    EXPECT_TRUE(document_->is_recording());
    test::AdvanceAndPump(*backend_, 300);
    EXPECT_EQ(document_->length_ms(), 300);
    EXPECT_EQ(document_->position_ms(), 300);
    document_->Stop();
    EXPECT_FALSE(document_->is_recording());
}

TEST_F(WaveDocumentTest, JournalKeepsEveryCapturedByteOnDisk) {
    ASSERT_EQ(document_->Open(QString()), kWaveOk);
    document_->SetCaptureJournal(QString::fromStdString(dir_.file("journal.raw")));
    int level_reports = 0;
    QObject::connect(document_.get(), &WaveDocument::inputLevelsMeasured,
                     [&](int, int) { ++level_reports; });
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kOverwrite), kWaveOk);
    test::AdvanceAndPump(*backend_, 200);
    // On disk while still recording.
    EXPECT_EQ(test::ReadFileBytes(dir_.file("journal.raw")), Tape(0, 200));
    EXPECT_GT(level_reports, 0);
    document_->Stop();
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kInsert), kWaveOk);
    test::AdvanceAndPump(*backend_, 100);
    document_->Stop();
    EXPECT_FALSE(document_->journal_failed());
    EXPECT_EQ(test::ReadFileBytes(dir_.file("journal.raw")), Tape(0, 300));
}

TEST_F(WaveDocumentTest, LengthInEveryTimeFormat) {
    test::WriteWave(dir_.file("a.wav"), kMono8k, Tape(0, 2500));
    ASSERT_EQ(document_->Open(QString::fromStdString(dir_.file("a.wav"))), kWaveOk);
    ASSERT_EQ(document_->SetTimeFormatFromSelector(1), kWaveOk);
    EXPECT_EQ(document_->length(), 2500);
    ASSERT_EQ(document_->SetTimeFormatFromSelector(3), kWaveOk);
    EXPECT_EQ(document_->length(), 20000);
    ASSERT_EQ(document_->SetTimeFormatFromSelector(0), kWaveOk);
    EXPECT_EQ(document_->length(), 40000);
    for (int selector : {2, 4, 5, 6, 7, 8, 9}) {
        EXPECT_EQ(document_->SetTimeFormatFromSelector(selector), kWaveErrorBadTimeFormat);
    }
    // Positions go through the time format too.
    ASSERT_EQ(document_->SetTimeFormat(WaveDocument::TimeFormat::kSamples), kWaveOk);
    ASSERT_EQ(document_->Seek(4000), kWaveOk);
    EXPECT_EQ(document_->position_ms(), 500);
    EXPECT_EQ(document_->Seek(20001), kWaveErrorOutOfRange);
}

TEST_F(WaveDocumentTest, PlaysFromAPositionAndARange) {
    test::WriteWave(dir_.file("a.wav"), kMono8k, Tape(0, 1000));
    ASSERT_EQ(document_->Open(QString::fromStdString(dir_.file("a.wav"))), kWaveOk);
    int finished = 0;
    QObject::connect(document_.get(), &WaveDocument::playbackFinished, [&] { ++finished; });

    ASSERT_EQ(document_->PlayFrom(600), kWaveOk);
    EXPECT_TRUE(document_->is_playing());
    test::AdvanceAndPump(*backend_, 200);
    EXPECT_EQ(document_->position_ms(), 800);
    test::AdvanceAndPump(*backend_, 300);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(document_->position_ms(), 1000);
    EXPECT_EQ(Played(), Tape(600, 400));

    ASSERT_EQ(document_->PlayRange(100, 300), kWaveOk);
    test::AdvanceAndPump(*backend_, 400);
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(document_->position_ms(), 300);
    EXPECT_EQ(Played(), Join({Tape(600, 400), Tape(100, 200)}));

    EXPECT_EQ(document_->PlayFrom(1500), kWaveErrorOutOfRange);
}

TEST_F(WaveDocumentTest, PauseAndResumePlayEverythingOnce) {
    test::WriteWave(dir_.file("a.wav"), kMono8k, Tape(0, 1000));
    ASSERT_EQ(document_->Open(QString::fromStdString(dir_.file("a.wav"))), kWaveOk);
    ASSERT_EQ(document_->Play(), kWaveOk);
    test::AdvanceAndPump(*backend_, 300);
    ASSERT_EQ(document_->Pause(), kWaveOk);
    EXPECT_TRUE(document_->is_paused());
    EXPECT_EQ(document_->position_ms(), 300);
    test::AdvanceAndPump(*backend_, 300);  // nothing plays while paused
    ASSERT_EQ(document_->Resume(), kWaveOk);
    test::AdvanceAndPump(*backend_, 800);
    EXPECT_EQ(Played(), Tape(0, 1000));
}

TEST_F(WaveDocumentTest, PlayFromAndWaitReturnsAtTheEnd) {
    sound::VirtualAudioBackend::Options options;
    options.output_wave_path = QString::fromStdString(dir_.file("fast.wav"));
    options.clock = sound::VirtualAudioBackend::Clock::kFast;
    sound::VirtualAudioBackend fast(options);
    WaveDocument document(fast);
    test::WriteWave(dir_.file("a.wav"), kMono8k, Tape(0, 700));
    ASSERT_EQ(document.Open(QString::fromStdString(dir_.file("a.wav"))), kWaveOk);
    ASSERT_EQ(document.PlayFromAndWait(200), kWaveOk);
    EXPECT_FALSE(document.is_playing());
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("fast.wav")), Tape(200, 500));
}

TEST_F(WaveDocumentTest, SaveGoesThroughTempXrwAndReplacesTheFile) {
    test::WriteWave(dir_.file("rec.xrw"), kMono8k, Tape(0, 500));
    ASSERT_EQ(document_->Open(QString::fromStdString(dir_.file("rec.xrw"))), kWaveOk);
    ASSERT_EQ(document_->SeekToEnd(), kWaveOk);
    RecordFor(WaveDocument::RecordMode::kInsert, 200);
    ASSERT_EQ(document_->Save(), kWaveOk);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("temp.xrw")));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("rec.xrw")), Join({Tape(0, 500), Tape(0, 200)}));
}

TEST_F(WaveDocumentTest, NewRecordingSavesToTheGivenFile) {
    ASSERT_EQ(document_->Open(QString()), kWaveOk);
    ASSERT_EQ(document_->SetFormatFromQuality(2), kWaveOk);  // 22050 Hz 8 bit
    EXPECT_EQ(document_->Save(), kWaveErrorCannotSave);      // no name yet
    ASSERT_EQ(document_->Record(WaveDocument::RecordMode::kOverwrite), kWaveOk);
    test::AdvanceAndPump(*backend_, 100);
    ASSERT_EQ(document_->Save(QString::fromStdString(dir_.file("D1.xrw"))), kWaveOk);
    EXPECT_EQ(document_->path().toStdString(), dir_.file("D1.xrw"));
    EXPECT_EQ(test::ReadWaveSamples(dir_.file("D1.xrw")).size(), 2205u);
    EXPECT_EQ(document_->SetFormatFromQuality(0), kWaveErrorFormatFixed);
}

TEST_F(WaveDocumentTest, RefusesFilesItCannotEdit) {
    EXPECT_EQ(document_->Open(QString::fromStdString(dir_.file("none.wav"))),
              kWaveErrorCannotOpenFile);
    EXPECT_FALSE(document_->is_open());
    test::WriteFileText(dir_.file("bad.wav"), "RIFF\x10\0\0\0WAVEdata");
    EXPECT_EQ(document_->Open(QString::fromStdString(dir_.file("bad.wav"))),
              kWaveErrorCannotOpenFile);
    EXPECT_FALSE(document_->last_error_detail().isEmpty());
    EXPECT_EQ(document_->Open(
                  QString::fromStdString(std::string(KIVO_WAVE_FUZZ_CORPUS) + "/good-adpcm.wav")),
              kWaveErrorUnsupportedFormat);
    EXPECT_EQ(document_->Play(), kWaveErrorNotOpen);
    EXPECT_FALSE(WaveDocument::ErrorText(kWaveErrorNoDevice).isEmpty());
}

TEST(MixerSelector, ListsAndSelectsTheRecordingSource) {
    sound::VirtualAudioBackend backend(test::ManualOptions("", ""));
    MixerSelector mixer(backend);
    ASSERT_EQ(mixer.Open(), 1);
    EXPECT_EQ(mixer.InputNames(), QStringList{"Virtual microphone"});
    EXPECT_EQ(mixer.current_index(), 0);
    EXPECT_FALSE(mixer.Select(1));
    EXPECT_TRUE(mixer.Select(0));
    EXPECT_EQ(backend.selected_input_device(), mixer.inputs()[0].id);
    mixer.Close();
    EXPECT_EQ(mixer.current_index(), -1);
}

}  // namespace
}  // namespace kivo::audio
