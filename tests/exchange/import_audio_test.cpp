// Audio files made with ffmpeg become kind "5" records whose audio matches
// the source; undecodable files are named with a reason; a stop ends the run
// after the current file and keeps the records made so far.
#include "kivo/exchange/import_audio_run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <numeric>
#include <thread>

#include "file_bytes.h"
#include "import_fixture.h"
#include "kivo/decoding/audio_decoder.h"
#include "kivo/decoding/tag_date.h"
#include "kivo/exchange/import_audio_file.h"
#include "kivo/exchange/import_audio_types.h"
#include "kivo/recordstore/clock.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using test::TestStore;

constexpr int kSourceRateHz = 16000;

// A speech-like test signal: two tones whose pitch glides, with a slow
// loudness swell, at 16 kHz mono.
std::vector<std::int16_t> SourceSignal(double seconds) {
    const std::size_t count = static_cast<std::size_t>(seconds * kSourceRateHz);
    std::vector<std::int16_t> samples(count);
    double phase_a = 0, phase_b = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSourceRateHz;
        phase_a += 2 * M_PI * (220 + 120 * std::sin(2 * M_PI * 0.7 * t)) / kSourceRateHz;
        phase_b += 2 * M_PI * (710 + 200 * std::sin(2 * M_PI * 0.3 * t)) / kSourceRateHz;
        const double envelope = 0.55 + 0.45 * std::sin(2 * M_PI * 1.3 * t);
        samples[i] = static_cast<std::int16_t>(9000 * envelope *
                                               (std::sin(phase_a) + 0.5 * std::sin(phase_b)));
    }
    return samples;
}

// The source resampled to 8 kHz the simple way (every second sample of a
// two-tap average), to compare against what the importer stored.
std::vector<double> Halved(const std::vector<std::int16_t>& samples) {
    std::vector<double> halved(samples.size() / 2);
    for (std::size_t i = 0; i < halved.size(); ++i)
        halved[i] = 0.5 * (samples[2 * i] + samples[2 * i + 1]);
    return halved;
}

// The best normalised correlation of b against a over small lags (encoders
// add a delay of up to a few thousand samples).
double BestCorrelation(const std::vector<double>& a, const std::vector<std::int16_t>& b) {
    double best = -1;
    for (int lag = -1200; lag <= 1200; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 2000; i + 2000 < a.size(); ++i) {
            const long j = static_cast<long>(i) + lag;
            if (j < 0 || j >= static_cast<long>(b.size()))
                continue;
            ab += a[i] * b[j];
            aa += a[i] * a[i];
            bb += static_cast<double>(b[j]) * b[j];
        }
        if (aa > 0 && bb > 0)
            best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

int RunTool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

class AudioImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::int16_t> signal = SourceSignal(3.0);
        source_ = signal;
        ASSERT_TRUE(wavefile::WritePcmWave(dir_.file("memo.wav"), {1, kSourceRateHz, 16},
                                           reinterpret_cast<const std::uint8_t*>(signal.data()),
                                           signal.size() * 2)
                        .ok());
    }

    // Encodes memo.wav with ffmpeg; the new file's path.
    std::string Encode(const std::string& name, const std::string& options) {
        const std::string out = dir_.file(name);
        EXPECT_EQ(
            RunTool("ffmpeg -y -nostdin -i " + dir_.file("memo.wav") + " " + options + " " + out),
            0);
        return out;
    }

    // The number of frames ffmpeg itself decodes from a file at 8 kHz mono.
    std::int64_t FfmpegFrames(const std::string& file) {
        const std::string raw = dir_.file("reference.raw");
        EXPECT_EQ(RunTool("ffmpeg -y -nostdin -i " + file + " -ac 1 -ar 8000 -f s16le " + raw), 0);
        return static_cast<std::int64_t>(fs::file_size(raw) / 2);
    }

    void ExpectImportMatches(const std::string& file) {
        const AudioImportResult result = AudioFileImport(receiver_.target(), nullptr).Import(file);
        ASSERT_TRUE(result.ok()) << result.reason;
        const recordstore::RecordLine line = receiver_.Lines().at(result.record_number);
        EXPECT_EQ(line.FieldText(2), "5");
        int channels = 0, rate = 0;
        const std::vector<std::int16_t> stored = receiver_.Samples(line, &channels, &rate);
        EXPECT_EQ(channels, 1);
        EXPECT_EQ(rate, 8000);
        // One frame of the decoder: at most 2048 samples at the source's rate.
        EXPECT_LE(std::abs(static_cast<std::int64_t>(stored.size()) - FfmpegFrames(file)), 1024)
            << file;
        EXPECT_GT(BestCorrelation(Halved(source_), stored), 0.95) << file;
        EXPECT_EQ(line.FieldText(12),
                  recordstore::DurationText(static_cast<std::int64_t>(stored.size()) / 8));
    }

    test::TempDir dir_;
    TestStore receiver_{"Mine"};
    std::vector<std::int16_t> source_;
};

TEST_F(AudioImportTest, AWavFileImportsToAMessageRecordNamedAfterTheFile) {
    ExpectImportMatches(dir_.file("memo.wav"));
    EXPECT_EQ(receiver_.Lines().at(1).FieldText(5), "memo.wav");
}

TEST_F(AudioImportTest, AnMp3FileDecodesToTheSameSound) {
    ExpectImportMatches(Encode("memo.mp3", "-c:a libmp3lame -b:a 64k"));
}

TEST_F(AudioImportTest, AnOggFileDecodesToTheSameSound) {
    ExpectImportMatches(Encode("memo.ogg", "-c:a libvorbis -q:a 4"));
}

TEST_F(AudioImportTest, AWmaFileDecodesToTheSameSound) {
    ExpectImportMatches(Encode("memo.wma", "-c:a wmav2 -b:a 64k"));
}

TEST_F(AudioImportTest, TheTitleTagBecomesTheSubjectAndTheDateTagTheStart) {
    const std::string file =
        Encode("tagged.mp3",
               "-c:a libmp3lame -metadata title=\"Call with the bank\" -metadata "
               "date=2024-03-05T10:20:00 -metadata comment=\"mortgage rates\"");
    const AudioImportResult result = AudioFileImport(receiver_.target(), nullptr).Import(file);
    ASSERT_TRUE(result.ok()) << result.reason;
    const recordstore::RecordLine line = receiver_.Lines().at(result.record_number);
    EXPECT_EQ(line.FieldText(5), "Call with the bank");
    EXPECT_EQ(line.FieldText(8), "05/03/2024");
    EXPECT_EQ(line.FieldText(9), "10:20:00");
    EXPECT_EQ(line.FieldText(11), "10:20:03");
    EXPECT_EQ(receiver_.Keywords(result.record_number), "mortgage rates");
}

TEST_F(AudioImportTest, WithoutADateTagTheFileTimeIsTheStart) {
    fs::last_write_time(dir_.file("memo.wav"),
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    const AudioImportResult result =
        AudioFileImport(receiver_.target(), nullptr).Import(dir_.file("memo.wav"));
    ASSERT_TRUE(result.ok());
    const std::string start = receiver_.Lines().at(1).FieldText(8);
    const std::time_t then = std::time(nullptr) - 400 * 24 * 3600;
    std::tm local{};
    localtime_r(&then, &local);
    EXPECT_EQ(start.substr(6), std::to_string(local.tm_year + 1900)) << start;
}

TEST_F(AudioImportTest, TheBestQualityKeepsStereo44k) {
    receiver_.set_recording_quality(3);
    const AudioImportResult result =
        AudioFileImport(receiver_.target(), nullptr).Import(dir_.file("memo.wav"));
    ASSERT_TRUE(result.ok());
    int channels = 0, rate = 0;
    const auto stored = receiver_.Samples(receiver_.Lines().at(1), &channels, &rate);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    EXPECT_NEAR(static_cast<double>(stored.size()) / 2, 3.0 * 44100, 64);
}

TEST_F(AudioImportTest, UndecodableFilesAreListedWithNameAndReasonAndTheOthersImport) {
    test::WriteFileText(dir_.file("garbage.mp3"), std::string(4096, '\x17'));
    test::WriteFileText(dir_.file("empty.wav"), "");
    ASSERT_TRUE(wavefile::WritePcmWave(dir_.file("silent.wav"), {1, 8000, 16}, nullptr, 0).ok());
    AudioImportRun run(receiver_.target(), {dir_.path() / "garbage.mp3", dir_.path() / "memo.wav",
                                            dir_.path() / "empty.wav", dir_.path() / "silent.wav"});
    std::vector<AudioImportError> rows;
    EXPECT_TRUE(
        run.Run({{}, [&rows](const AudioImportError& row) { rows.push_back(row); }, {}, {}}));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].file, "garbage.mp3");
    EXPECT_EQ(rows[1].file, "empty.wav");
    EXPECT_EQ(rows[2].file, "silent.wav");
    for (const AudioImportError& row : rows) {
        EXPECT_TRUE(row.error.starts_with("Failed to import - check format: ")) << row.error;
        EXPECT_GT(row.error.size(), std::string("Failed to import - check format: ").size());
    }
    EXPECT_EQ(run.imported(), std::vector<std::int32_t>{1});
    EXPECT_EQ(receiver_.Lines().size(), 1u);
}

TEST_F(AudioImportTest, StopDuringALongFileEndsTheRunAndKeepsTheRecordsSoFar) {
    const std::string long_file =
        dir_.file("long.wav");  // ten minutes: long enough to be stopped in the middle
    ASSERT_EQ(
        RunTool("ffmpeg -y -nostdin -f lavfi -i sine=frequency=300:sample_rate=44100:duration=600 "
                "-ac 2 " +
                long_file),
        0);
    AudioImportRun run(receiver_.target(),
                       {dir_.path() / "memo.wav", long_file, dir_.path() / "memo.wav"});
    std::vector<AudioImportError> rows;
    AudioImportEvents events;
    events.progress = [&run](int kind, int value) {
        // Stop once the second file is a tenth converted.
        static int file = 0;
        if (kind == 1)
            file = value;
        if (kind == 0 && file == 1 && value >= 10)
            run.stop_request().Request();
    };
    events.error_row = [&rows](const AudioImportError& row) { rows.push_back(row); };
    EXPECT_FALSE(run.Run(events));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].file, "long.wav");
    EXPECT_EQ(rows[0].error, "Import stopped");
    EXPECT_EQ(run.imported(), std::vector<std::int32_t>{1});
    EXPECT_EQ(receiver_.Lines().size(), 1u);
    // Nothing of the stopped file is left behind.
    for (const std::string& name : test::FilesUnder(receiver_.working_folder()))
        EXPECT_TRUE(name.starts_with("Voxwren") || name.ends_with(".wav")) << name;
}

// A pipe or a device named like an audio file: a pipe without a writer
// would block the import in its open for good, /dev/zero would be read
// forever. Each is refused by name at once and the run goes on.
TEST_F(AudioImportTest, APipeOrADeviceNamedLikeAudioIsRefusedAtOnceAndTheRunGoesOn) {
    const fs::path pipe = dir_.path() / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir_.path() / "zeros.mp3");
    AudioImportRun run(receiver_.target(),
                       {pipe, dir_.path() / "zeros.mp3", dir_.path() / "memo.wav"});
    std::vector<AudioImportError> rows;
    AudioImportEvents events;
    events.error_row = [&rows](const AudioImportError& row) { rows.push_back(row); };
    std::future<bool> ran = std::async(std::launch::async, [&] { return run.Run(events); });
    if (ran.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Unblock the import so the test ends: a writer that closes at once
        // gives the pipe's reader its end, the stop ends the endless read.
        run.stop_request().Request();
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        ran.wait();
        FAIL() << "the import waited on a pipe or read a device";
    }
    EXPECT_TRUE(ran.get());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].file, "pipe.wav");
    EXPECT_EQ(rows[1].file, "zeros.mp3");
    for (const AudioImportError& row : rows)
        EXPECT_NE(row.error.find("not a regular file"), std::string::npos) << row.error;
    EXPECT_EQ(run.imported(), std::vector<std::int32_t>{1});
    EXPECT_EQ(receiver_.Lines().size(), 1u);
}

TEST(TagDate, FullDatesWithOrWithoutTimeAreReadAndYearsAloneAreNot) {
    const auto full = decoding::ParseTagDate("2024-03-05T10:20:30");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->day, 5);
    EXPECT_EQ(full->second, 30);
    const auto day = decoding::ParseTagDate("2024/12/31");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->hour, 0);
    EXPECT_FALSE(decoding::ParseTagDate("2024"));
    EXPECT_FALSE(decoding::ParseTagDate("2024-13-01"));
    EXPECT_FALSE(decoding::ParseTagDate("yesterday"));
}

TEST(AudioFileTypes, DroppedNamesSayTheirTypeAndTitlesNameIt) {
    EXPECT_EQ(AudioFileTypeOfName("Memo.MP3"), AudioFileType::kMp3);
    EXPECT_EQ(AudioFileTypeOfName("a.b.ogg"), AudioFileType::kOgg);
    EXPECT_EQ(AudioFileTypeOfName("clip.wmv"), std::nullopt);
    EXPECT_EQ(AudioFileTypeOfName("noextension"), std::nullopt);
    EXPECT_STREQ(AudioImportTitle(AudioFileType::kWma), "WMA File Import Progress");
    EXPECT_STREQ(AudioFileFilter(AudioFileType::kWmv), "WAV Files (*.wmv)|*.wmv||");
}

}  // namespace
}  // namespace kivo::exchange
