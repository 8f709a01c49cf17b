// Recordings exported as WAV, MP3, OGG and WMA, read back with ffprobe and
// decoded with FFmpeg.
#include "kivo/exchange/audio_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "export_fixture.h"
#include "file_bytes.h"
#include "kivo/encoding/audio_transcode.h"
#include "kivo/exchange/recording_export.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using encoding::AudioFormat;

// Number of a JSON field in ffprobe's output ("duration": "3.000000").
double JsonNumber(const std::string& json, const std::string& key) {
    std::smatch match;
    if (!std::regex_search(json, match, std::regex("\"" + key + "\": \"?([0-9.]+)")))
        return -1;
    return std::stod(match[1]);
}

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

class AudioExport : public ::testing::TestWithParam<AudioFormat> {
protected:
    // Exports record 1 in the format; returns the target path.
    fs::path Export(AudioFormat format) {
        RecordingExport exporter(store_.Source());
        EXPECT_EQ(exporter.Prepare({"D1.xrz"}, {}), kExportOk);
        const fs::path target = out_.path() / (std::string("D1") + encoding::FileExtension(format));
        const Delivery done = ExportAsAudio(exporter.files()[0].path, exporter.MakeScratch(),
                                            format, target, Overwrite::kNever);
        EXPECT_TRUE(done.ok()) << done.message;
        return target;
    }

    test::TestRecording recording_;
    test::ExportStore store_{{recording_}};
    test::TempDir out_;
};

TEST_P(AudioExport, DecodesToTheRecordingsLengthWithItsSubjectAndMarks) {
    const fs::path file = Export(GetParam());
    const std::string probe = test::Probe(file);
    ASSERT_FALSE(probe.empty()) << "ffprobe could not read " << file;
    // The container's own figure includes the encoder's padding ...
    EXPECT_NEAR(JsonNumber(probe, "duration"), 3.0, 0.2) << probe;
    // ... which FFmpeg's decoder drops: the sound decodes to its length.
    const auto decoded = encoding::TranscodeAudio(file.string(), out_.file("back.wav"), {});
    ASSERT_TRUE(decoded.ok) << decoded.message;
    EXPECT_NEAR(static_cast<double>(test::ReadWaveSamples(out_.path() / "back.wav").size()),
                3 * 8000, GetParam() == AudioFormat::kWma ? 2048 : 0);
    EXPECT_NE(probe.find("\"title\": \"Letter to the bank\""), std::string::npos) << probe;
    if (GetParam() == AudioFormat::kWav)
        return;  // WAV keeps no chapters
    EXPECT_NE(probe.find("bank loan"), std::string::npos) << "keywords as the comment: " << probe;
    ASSERT_EQ(Count(probe, "\"start_time\": \"1.000000\""), 1) << probe;
    EXPECT_NE(probe.find("\"title\": \"first point\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("\"title\": \"second point\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("\"start_time\": \"2.000000\""), std::string::npos) << probe;
}

INSTANTIATE_TEST_SUITE_P(Formats, AudioExport,
                         ::testing::Values(AudioFormat::kWav, AudioFormat::kMp3, AudioFormat::kOgg,
                                           AudioFormat::kWma),
                         [](const auto& info) {
                             return std::string(encoding::FileExtension(info.param)).substr(1);
                         });

TEST_F(AudioExport, WavExportHoldsTheSamplesOfTheRecording) {
    const fs::path file = Export(AudioFormat::kWav);
    int rate = 0, channels = 0;
    EXPECT_EQ(test::ReadWaveSamples(file, &rate, &channels), test::ToneSamples(8000, 1, 3));
    EXPECT_EQ(rate, 8000);
    EXPECT_EQ(channels, 1);
}

TEST_F(AudioExport, Mp3DecodesBackToTheSameSound) {
    const fs::path mp3 = Export(AudioFormat::kMp3);
    encoding::EncodeSettings wav;
    const auto decoded = encoding::TranscodeAudio(mp3.string(), out_.file("back.wav"), wav);
    ASSERT_TRUE(decoded.ok) << decoded.message;
    const auto samples = test::ReadWaveSamples(out_.path() / "back.wav");
    const auto original = test::ToneSamples(8000, 1, 3);
    // The decoder's delay shifts the sound by a few samples; find it.
    double best = 0;
    for (std::size_t shift = 0; shift < 1500 && shift < samples.size(); ++shift) {
        std::vector<std::int16_t> shifted(samples.begin() + static_cast<long>(shift),
                                          samples.end());
        best = std::max(best, test::Correlation(shifted, original));
    }
    EXPECT_GT(best, 0.9);
}

TEST_F(AudioExport, AnExistingFileIsNotReplacedAndNoTemporaryStays) {
    test::WriteFileText(out_.file("D1.mp3"), "the user's own file");
    RecordingExport exporter(store_.Source());
    ASSERT_EQ(exporter.Prepare({"D1.xrz"}, {}), kExportOk);
    const Delivery kept =
        ExportAsAudio(exporter.files()[0].path, exporter.MakeScratch(), AudioFormat::kMp3,
                      out_.path() / "D1.mp3", Overwrite::kNever);
    EXPECT_EQ(kept.outcome, DeliveryOutcome::kTargetExists);
    EXPECT_EQ(test::ReadFileText(out_.file("D1.mp3")), "the user's own file");
    EXPECT_EQ(std::distance(fs::directory_iterator(out_.path()), fs::directory_iterator()), 1);
}

TEST_F(AudioExport, AContainerWithoutSoundFailsCleanly) {
    test::WriteFileText(out_.file("D9.xrz"), "not a repository at all");
    test::TempDir scratch;
    const Delivery failed = ExportAsAudio(out_.path() / "D9.xrz", scratch.path(), AudioFormat::kOgg,
                                          out_.path() / "D9.ogg", Overwrite::kNever);
    EXPECT_EQ(failed.outcome, DeliveryOutcome::kFailed);
    EXPECT_FALSE(fs::exists(out_.path() / "D9.ogg"));
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST(RecordingDescription, DatesBecomeIsoAndInsertMarksAreNoChapters) {
    EXPECT_EQ(IsoDate("15/01/2024"), "2024-01-15");
    EXPECT_EQ(IsoDate("garbage"), "garbage");
    test::TempDir dir;
    std::vector<recordstore::IndexMark> marks = {
        recordstore::MakeIndexMark("00:00:05", recordstore::kInsertStartComment,
                                   recordstore::IndexMarkType::kInsertStart),
        recordstore::MakeIndexMark("00:01:10", "late point")};
    ASSERT_TRUE(recordstore::WriteIndexMarkFile(dir.file("B.xrs"), marks,
                                                recordstore::IndexMarkStyle::kWithType)
                    .ok());
    const RecordingDescription description =
        DescribeRecording(dir.path() / "B.xrl", dir.path() / "B.xrs", dir.path() / "B.xrk");
    ASSERT_EQ(description.chapters.size(), 1u);
    EXPECT_EQ(description.chapters[0].start_ms, 70000);
    EXPECT_EQ(description.chapters[0].title, "late point");
    EXPECT_EQ(description.tags.genre, "Speech");
}

}  // namespace
}  // namespace kivo::exchange
