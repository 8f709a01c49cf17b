// The recording compressor on exported copies: smaller files whose sound
// survives, the voice-quality mark, and a stop that leaves the copy alone.
#include "kivo/exchange/recording_compressor.h"

#include <gtest/gtest.h>

#include "export_fixture.h"
#include "file_bytes.h"
#include "kivo/encoding/audio_transcode.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;

class RecordingCompressor : public ::testing::Test {
protected:
    // Prepares record 1 of a store made of `recording` and compresses it.
    CompressorResult Compress(const test::TestRecording& recording, const ExportOptions& options,
                              const encoding::TranscodeProgress& progress = {}) {
        store_ = std::make_unique<test::ExportStore>(std::vector<test::TestRecording>{recording});
        exporter_ = std::make_unique<RecordingExport>(store_->Source());
        EXPECT_EQ(exporter_->Prepare({"D1.xrz"}, options), kExportOk);
        copy_ = exporter_->files()[0].path;
        size_before_ = fs::file_size(copy_);
        bytes_before_ = test::ReadFileText(copy_.string());
        return CompressRecordingFile(copy_, options, exporter_->MakeScratch(), progress);
    }

    // The copy's sound as the player gets it, decoded to 16-bit PCM.
    std::vector<std::int16_t> DecodedSound(int* rate, int* channels) {
        EXPECT_TRUE(test::OpenExported(copy_, unpacked_.path()));
        const auto decoded =
            encoding::TranscodeAudio(unpacked_.file("D1.xrw"), unpacked_.file("plain.wav"), {});
        EXPECT_TRUE(decoded.ok) << decoded.message;
        return test::ReadWaveSamples(unpacked_.path() / "plain.wav", rate, channels);
    }

    std::unique_ptr<test::ExportStore> store_;
    std::unique_ptr<RecordingExport> exporter_;
    fs::path copy_;
    std::uintmax_t size_before_ = 0;
    std::string bytes_before_;
    test::TempDir unpacked_;
};

TEST_F(RecordingCompressor, CompressingShrinksTheCopyAndKeepsTheSoundsLength) {
    test::TestRecording recording;
    recording.rate_hz = 22050;
    recording.seconds = 4;
    ExportOptions compress;
    compress.compress = true;
    const CompressorResult result = Compress(recording, compress);
    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_LT(fs::file_size(copy_) * 3, size_before_);
    int rate = 0, channels = 0;
    const auto sound = DecodedSound(&rate, &channels);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(sound.size(), 4u * 22050u);
    EXPECT_GT(test::Correlation(sound, test::ToneSamples(22050, 1, 4)), 0.95);
    // Compressing alone leaves the recording's quality field as it was.
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::ReadFile(unpacked_.file("D1.xrl"), &line).ok());
    EXPECT_EQ(line.StoredField(14), "2");
}

TEST_F(RecordingCompressor, ConvertingMakesEightKilohertzMonoMarkedAsVoiceQuality) {
    test::TestRecording recording;
    recording.rate_hz = 16000;
    recording.channels = 2;
    ExportOptions convert;
    convert.convert_to_voice = true;  // compresses as well
    const CompressorResult result = Compress(recording, convert);
    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_LT(fs::file_size(copy_) * 5, size_before_);
    int rate = 0, channels = 0;
    const auto sound = DecodedSound(&rate, &channels);
    EXPECT_EQ(rate, 8000);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(sound.size(), 3u * 8000u);
    recordstore::RecordLine line;
    ASSERT_TRUE(recordstore::RecordLine::ReadFile(unpacked_.file("D1.xrl"), &line).ok());
    EXPECT_EQ(line.StoredField(14), "0");
    EXPECT_EQ(line.FieldText(5), recording.subject);
}

TEST_F(RecordingCompressor, ConvertedSpeechCorrelatesWithTheOriginal) {
    test::TestRecording recording;  // 8 kHz mono at quality 2
    ExportOptions both;
    both.convert_to_voice = true;
    both.compress = true;
    ASSERT_TRUE(Compress(recording, both).ok());
    int rate = 0, channels = 0;
    const auto sound = DecodedSound(&rate, &channels);
    ASSERT_EQ(sound.size(), 3u * 8000u);
    EXPECT_GT(test::Correlation(sound, test::ToneSamples(8000, 1, 3)), 0.95);
}

TEST_F(RecordingCompressor, AStopLeavesTheCopyAsItWas) {
    test::TestRecording recording;
    ExportOptions compress;
    compress.compress = true;
    const CompressorResult result = Compress(recording, compress, [](double) { return false; });
    EXPECT_EQ(result.error, kCompressorStopped);
    EXPECT_EQ(test::ReadFileText(copy_.string()), bytes_before_);
}

TEST_F(RecordingCompressor, ACopyWithoutSoundIsAnInvalidRecordingFile) {
    test::TempDir dir;
    test::WriteFileText(dir.file("D5.xrz"), "no repository");
    fs::create_directory(dir.path() / "scratch");
    const CompressorResult result =
        CompressRecordingFile(dir.path() / "D5.xrz", {true, true, true}, dir.path() / "scratch");
    EXPECT_EQ(result.error, kCompressorBadFile);
    EXPECT_STREQ(CompressorErrorText(result.error), "Invalid Voxwren recording file");
    EXPECT_EQ(test::ReadFileText(dir.file("D5.xrz")), "no repository");
}

TEST(TranscodeLimit, ASourceLongerThanTheLimitFailsInsteadOfFillingTheDisk) {
    test::TempDir dir;
    test::WriteToneWave(dir.path() / "long.wav", 8000, 1, 3);
    encoding::EncodeSettings limited;
    limited.max_frames = 8000;  // one second
    const auto result =
        encoding::TranscodeAudio(dir.file("long.wav"), dir.file("out.wav"), limited);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("longer than 8000"), std::string::npos) << result.message;
    limited.max_frames = 3 * 8000;
    EXPECT_TRUE(encoding::TranscodeAudio(dir.file("long.wav"), dir.file("out.wav"), limited).ok);
}

}  // namespace
}  // namespace kivo::exchange
