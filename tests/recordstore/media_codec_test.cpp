// The media codec: lossless round trips of PCM waves byte for byte, files it
// leaves alone, and damaged or hostile input that must fail cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "codec/stored_wave_block.h"
#include "file_bytes.h"
#include "kivo/recordstore/media_codec.h"
#include "media_codec_wave_builder.h"
#include "temp_dir.h"
#include "xrsave.h"

namespace kivo::test {
namespace {

using recordstore::CodecOutcome;
using recordstore::MediaCodec;

// Encodes and decodes a wave built from recipe; checks the stored form is FLAC,
// no larger than the wave, and that decoding restores every byte.
void ExpectRoundTrip(const WaveRecipe& recipe) {
    TempDir dir;
    const std::string path = dir.file("a.xrw");
    const Bytes wave = BuildWave(recipe);
    WriteFileBytes(path, wave);

    const MediaCodec codec;
    const auto encoded = codec.Encode(path);
    ASSERT_EQ(encoded.outcome, CodecOutcome::kEncoded) << encoded.message;
    const Bytes stored = ReadFileBytes(path);
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 4), "fLaC");

    const auto decoded = codec.Decode(path);
    ASSERT_EQ(decoded.outcome, CodecOutcome::kDecoded) << decoded.message;
    EXPECT_EQ(ReadFileBytes(path), wave);
    // No temporary file is left beside the media.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(MediaCodecRoundTrip, EveryPcmLayoutComesBackByteForByte) {
    for (std::uint16_t bits : {8, 16, 24}) {
        for (std::uint16_t channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(channels) + " channels");
            WaveRecipe recipe;
            recipe.bits_per_sample = bits;
            recipe.channels = channels;
            recipe.frames = 12345;  // not a multiple of any FLAC block size
            ExpectRoundTrip(recipe);
        }
    }
}

TEST(MediaCodecRoundTrip, LongRecordingsWrittenInSeveralPiecesComeBackByteForByte) {
    // Mono takes the samples as the decoder gives them, stereo interleaves
    // them; both outgrow the decoder's write piece several times over.
    for (std::uint16_t channels : {1, 2}) {
        SCOPED_TRACE(std::to_string(channels) + " channels");
        WaveRecipe recipe;
        recipe.bits_per_sample = 16;
        recipe.channels = channels;
        recipe.frames = 1'234'567;  // 2.5 or 4.9 MB of samples
        ExpectRoundTrip(recipe);
    }
}

TEST(MediaCodecRoundTrip, OddDataSizesAndChunksAroundTheDataAreKept) {
    WaveRecipe recipe;
    recipe.channels = 2;
    recipe.frames = 1001;
    recipe.extra_data_bytes = 3;  // a partial frame, then the pad byte of an odd chunk
    recipe.chunks_before_data = Chunk("LIST", {'I', 'N', 'F', 'O', 'x'});
    recipe.chunks_after_data = Chunk("cue ", std::vector<std::uint8_t>(28, 7));
    ExpectRoundTrip(recipe);
}

TEST(MediaCodecRoundTrip, SingleFrameAndTruncatedRecordingAreKept) {
    WaveRecipe one;
    one.frames = 1;
    ExpectRoundTrip(one);

    // A recorder that stopped early leaves a data size larger than the file.
    TempDir dir;
    const std::string path = dir.file("cut.xrw");
    WaveRecipe recipe;
    recipe.frames = 5000;
    Bytes wave = BuildWave(recipe);
    wave.resize(wave.size() - 1001);  // cuts into the samples, leaves half a frame
    WriteFileBytes(path, wave);
    ASSERT_EQ(MediaCodec().Encode(path).outcome, CodecOutcome::kEncoded);
    ASSERT_EQ(MediaCodec().Decode(path).outcome, CodecOutcome::kDecoded);
    EXPECT_EQ(ReadFileBytes(path), wave);
}

TEST(MediaCodecRoundTrip, StoredSpeechTakesAboutHalfTheSpace) {
    TempDir dir;
    const std::string path = dir.file("speech.xrw");
    WaveRecipe recipe;
    recipe.frames = 8000 * 5;
    const Bytes wave = BuildWave(recipe);
    WriteFileBytes(path, wave);
    ASSERT_EQ(MediaCodec().Encode(path).outcome, CodecOutcome::kEncoded);
    EXPECT_LT(ReadFileBytes(path).size(), wave.size() * 6 / 10);
}

TEST(MediaCodecRoundTrip, CExportsEncodeAndDecodeInPlace) {
    TempDir dir;
    const std::string path = dir.file("c.xrw");
    const Bytes wave = BuildWave(WaveRecipe{});
    WriteFileBytes(path, wave);
    EXPECT_EQ(XRMediaEncode(path.c_str()), 0);
    EXPECT_NE(ReadFileBytes(path), wave);
    EXPECT_EQ(XRMediaDecode(path.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(path), wave);
    EXPECT_NE(XRMediaEncode(dir.file("missing.xrw").c_str()), 0);
}

// Files the codec must leave byte for byte as they are.
TEST(MediaCodecPassThrough, FilesThatAreNotLosslessPcmAreLeftAlone) {
    TempDir dir;
    WaveRecipe gsm;
    gsm.format_tag = 0x31;  // GSM 6.10
    WaveRecipe float_wave;
    float_wave.format_tag = 3;
    float_wave.bits_per_sample = 32;
    WaveRecipe empty;
    empty.frames = 0;
    Bytes video = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};  // an ASF (.wmv) header
    video.resize(5000, 0x42);

    const std::vector<std::pair<std::string, Bytes>> files = {
        {"gsm.xrw", BuildWave(gsm)},
        {"float.xrw", BuildWave(float_wave)},
        {"empty.xrw", BuildWave(empty)},
        {"video.wmv", video},
        {"zero.xrw", {}},
        {"short.xrw", {'R', 'I', 'F', 'F'}},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        WriteFileBytes(path, bytes);
        EXPECT_EQ(MediaCodec().Encode(path).outcome, CodecOutcome::kLeftAsIs);
        EXPECT_EQ(MediaCodec().Decode(path).outcome, CodecOutcome::kLeftAsIs);
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }
}

TEST(MediaCodecPassThrough, DecodeLeavesAPlainWaveAndAForeignFlacAlone) {
    TempDir dir;
    const std::string wave_path = dir.file("plain.wav");
    const Bytes wave = BuildWave(WaveRecipe{});
    WriteFileBytes(wave_path, wave);
    EXPECT_EQ(MediaCodec().Decode(wave_path).outcome, CodecOutcome::kLeftAsIs);
    EXPECT_EQ(ReadFileBytes(wave_path), wave);

    // A FLAC file of another program carries no "KIVW" block.
    ASSERT_EQ(MediaCodec().Encode(wave_path).outcome, CodecOutcome::kEncoded);
    Bytes flac = ReadFileBytes(wave_path);
    const auto id =
        std::search(flac.begin(), flac.end(), std::begin(recordstore::kStoredWaveApplicationId),
                    std::end(recordstore::kStoredWaveApplicationId));
    ASSERT_NE(id, flac.end());
    std::memcpy(&*id, "OTHR", 4);
    WriteFileBytes(wave_path, flac);
    EXPECT_EQ(MediaCodec().Decode(wave_path).outcome, CodecOutcome::kLeftAsIs);
    EXPECT_EQ(ReadFileBytes(wave_path), flac);
}

// Hostile wave headers: never a crash, the file left as it is.
TEST(MediaCodecHostileInput, BrokenWaveHeadersAreLeftAlone) {
    TempDir dir;
    std::vector<std::pair<std::string, Bytes>> cases;
    {
        Bytes data_first = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        const auto data = Chunk("data", Bytes(100, 1));
        data_first.insert(data_first.end(), data.begin(), data.end());
        const auto fmt = Chunk("fmt ", FmtBody(WaveRecipe{}));
        data_first.insert(data_first.end(), fmt.begin(), fmt.end());
        cases.emplace_back("data before fmt", data_first);
    }
    {
        Bytes wave = BuildWave(WaveRecipe{});
        PutU32(wave, 16, 0xFFFFFFF0u);  // fmt chunk size past the end
        cases.emplace_back("huge fmt", wave);
    }
    {
        WaveRecipe recipe;
        recipe.chunks_before_data = Chunk("fmt ", FmtBody(recipe));
        cases.emplace_back("repeated fmt", BuildWave(recipe));
    }
    {
        Bytes wave = BuildWave(WaveRecipe{});
        wave[22] = 0;  // 0 channels
        cases.emplace_back("no channels", wave);
    }
    {
        Bytes wave = BuildWave(WaveRecipe{});
        wave[32] = 3;  // block alignment 3 for 16-bit mono
        cases.emplace_back("bad block alignment", wave);
    }
    {
        WaveRecipe recipe;
        recipe.chunks_before_data = {'L', 'I', 'S', 'T', 0xF0, 0xFF, 0xFF, 0xFF};
        cases.emplace_back("chunk past the end", BuildWave(recipe));
    }
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file("h.xrw");
        WriteFileBytes(path, bytes);
        EXPECT_EQ(MediaCodec().Encode(path).outcome, CodecOutcome::kLeftAsIs);
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }
}

class MediaCodecDamagedStoredForm : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("d.xrw");
        WaveRecipe recipe;
        recipe.frames = 20000;
        WriteFileBytes(path_, BuildWave(recipe));
        ASSERT_EQ(MediaCodec().Encode(path_).outcome, CodecOutcome::kEncoded);
        stored_ = ReadFileBytes(path_);
        block_offset_ =
            static_cast<std::size_t>(std::search(stored_.begin(), stored_.end(),
                                                 std::begin(recordstore::kStoredWaveApplicationId),
                                                 std::end(recordstore::kStoredWaveApplicationId)) -
                                     stored_.begin()) +
            4;
        ASSERT_LT(block_offset_, stored_.size());
    }

    // Writes bytes, expects decode to fail and to leave the file unchanged.
    void ExpectDecodeFails(const Bytes& bytes) {
        WriteFileBytes(path_, bytes);
        const auto result = MediaCodec().Decode(path_);
        EXPECT_EQ(result.outcome, CodecOutcome::kFailed);
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(ReadFileBytes(path_), bytes);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }

    // Recomputes the block's CRC after a test changed a field on purpose.
    void FixBlockCrc(Bytes& bytes) const {
        const std::size_t length =
            (std::size_t{bytes[block_offset_ - 7]} << 16 |
             std::size_t{bytes[block_offset_ - 6]} << 8 | bytes[block_offset_ - 5]) -
            4;
        PutU32(bytes, block_offset_ + 24,
               recordstore::StoredWaveBlockCrc(bytes.data() + block_offset_, length));
    }

    TempDir dir_;
    std::string path_;
    Bytes stored_;
    std::size_t block_offset_ = 0;  // first byte of the block data after its id
};

TEST_F(MediaCodecDamagedStoredForm, FlippedAudioByteFails) {
    Bytes damaged = stored_;
    damaged[damaged.size() - 500] ^= 0x40;
    ExpectDecodeFails(damaged);
}

TEST_F(MediaCodecDamagedStoredForm, TruncatedStreamFails) {
    Bytes damaged = stored_;
    damaged.resize(damaged.size() * 2 / 3);
    ExpectDecodeFails(damaged);
}

TEST_F(MediaCodecDamagedStoredForm, DamagedBlockFailsItsCrc) {
    Bytes damaged = stored_;
    damaged[block_offset_ + recordstore::kStoredWaveFixedBytes + 2] ^= 1;  // head byte
    ExpectDecodeFails(damaged);
    damaged = stored_;
    damaged[block_offset_ + 9] ^= 1;  // sample size
    ExpectDecodeFails(damaged);
}

TEST_F(MediaCodecDamagedStoredForm, DeclaredSizeBeyondTheStreamFails) {
    // Claims 4 GiB of samples; decoding must stop at the end of the stream
    // without allocating or writing the declared size.
    Bytes damaged = stored_;
    PutU64(damaged, block_offset_ + 8, 0xFFFFFFFEull);
    FixBlockCrc(damaged);
    ExpectDecodeFails(damaged);
}

TEST_F(MediaCodecDamagedStoredForm, LayoutDisagreeingWithTheStreamFails) {
    Bytes damaged = stored_;
    damaged[block_offset_ + 2] = 2;  // two channels, stream has one
    damaged[block_offset_ + 6] = 4;  // bytes per frame to match
    FixBlockCrc(damaged);
    ExpectDecodeFails(damaged);

    damaged = stored_;
    damaged[block_offset_ + 4] = 8;  // 8 bits, stream has 16
    damaged[block_offset_ + 6] = 1;
    PutU64(damaged, block_offset_ + 8, 20000);
    FixBlockCrc(damaged);
    ExpectDecodeFails(damaged);
}

TEST_F(MediaCodecDamagedStoredForm, MetadataBlockPastTheFileAfterTheKeptHeadFails) {
    // A SEEKTABLE after the "KIVW" block claiming 16 MiB in a file of a few
    // kilobytes: libFLAC would size its seek table by that length, so the
    // stream is refused before it is decoded.
    const std::size_t header = block_offset_ - 8;
    const std::size_t length = std::size_t{stored_[header + 1]} << 16 |
                               std::size_t{stored_[header + 2]} << 8 | stored_[header + 3];
    ASSERT_NE(stored_[header] & 0x80, 0) << "the encoder writes the block last";
    Bytes damaged = stored_;
    damaged[header] &= 0x7F;
    const std::uint8_t seek_table[] = {0x83, 0xFF, 0xFF, 0xF6};
    damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(header + 4 + length),
                   std::begin(seek_table), std::end(seek_table));
    ExpectDecodeFails(damaged);
    EXPECT_NE(MediaCodec().Decode(path_).message.find("metadata"), std::string::npos);
}

TEST_F(MediaCodecDamagedStoredForm, BlockLengthPastTheFileIsNotTakenForTheStoredForm) {
    Bytes damaged = stored_;
    damaged[block_offset_ - 7] = 0xFF;  // 24-bit block length, high byte
    WriteFileBytes(path_, damaged);
    EXPECT_NE(MediaCodec().Decode(path_).outcome, CodecOutcome::kDecoded);
    EXPECT_EQ(ReadFileBytes(path_), damaged);
}

}  // namespace
}  // namespace kivo::test
