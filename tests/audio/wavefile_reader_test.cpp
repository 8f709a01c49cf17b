// The wave reader on good files and on every hostile shape it must refuse.
#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/wavefile/wave_reader.h"
#include "temp_dir.h"
#include "wave_bytes.h"

namespace kivo::wavefile {
namespace {

using test::Bytes;
using test::Chunk;
using test::ChunkWithSize;
using test::FormatBody;
using test::PcmFormatBody;
using test::Riff;
using test::RiffWithSize;

WaveStatus Read(const Bytes& file, WaveData* wave) {
    return ReadWaveMemory(file.data(), file.size(), wave);
}

// The reader's message for `file`, which must be refused.
std::string Refusal(const Bytes& file) {
    WaveData wave;
    const WaveStatus status = Read(file, &wave);
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(wave.samples.empty());
    return status.message();
}

Bytes Samples(std::size_t count) {
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    return samples;
}

TEST(WaveReader, ReadsPlainPcm) {
    const Bytes data = Samples(400);
    WaveData wave;
    ASSERT_TRUE(
        Read(Riff({Chunk("fmt ", PcmFormatBody(1, 8000, 16)), Chunk("data", data)}), &wave).ok());
    ASSERT_TRUE(wave.info.format.AsPlayablePcm().has_value());
    EXPECT_EQ(*wave.info.format.AsPlayablePcm(), (PcmFormat{1, 8000, 16}));
    EXPECT_EQ(wave.info.frames(), 200u);
    EXPECT_EQ(wave.info.data_offset, 44u);
    EXPECT_EQ(wave.samples, data);
}

TEST(WaveReader, SkipsUnknownAndOddChunksWithTheirPadByte) {
    const Bytes data = Samples(64);
    WaveData wave;
    ASSERT_TRUE(
        Read(Riff({Chunk("LIST", Samples(5)), Chunk("fmt ", PcmFormatBody(2, 22050, 8)),
                   Chunk("junk", Samples(3)), Chunk("fact", {16, 0, 0, 0}), Chunk("data", data)}),
             &wave)
            .ok());
    EXPECT_EQ(wave.samples, data);
    EXPECT_EQ(wave.info.fact_frames, 16u);
}

TEST(WaveReader, AcceptsTheRecordersEighteenByteFormat) {
    Bytes format = PcmFormatBody(1, 8000, 16);
    test::AppendU16(&format, 0);  // cbSize
    WaveData wave;
    ASSERT_TRUE(Read(Riff({Chunk("fmt ", format), Chunk("data", Samples(8))}), &wave).ok());
    EXPECT_EQ(wave.info.format.block.size(), 18u);
}

TEST(WaveReader, AcceptsExtensiblePcm) {
    Bytes format = FormatBody(0xFFFE, 2, 44100, 4, 16);
    test::AppendU16(&format, 22);  // cbSize
    test::AppendU16(&format, 16);  // valid bits
    test::AppendU32(&format, 3);   // channel mask
    test::AppendU16(&format, 1);   // PCM sub-format ...
    const std::uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    format.insert(format.end(), tail, tail + 14);
    WaveData wave;
    ASSERT_TRUE(Read(Riff({Chunk("fmt ", format), Chunk("data", Samples(16))}), &wave).ok());
    EXPECT_EQ(*wave.info.format.AsPlayablePcm(), (PcmFormat{2, 44100, 16}));
}

TEST(WaveReader, OddDataAtTheEndWithoutPadIsRead) {
    const Bytes data = Samples(7);
    WaveData wave;
    ASSERT_TRUE(
        Read(Riff({Chunk("fmt ", PcmFormatBody(1, 8000, 8)), Chunk("data", data, false)}), &wave)
            .ok());
    EXPECT_EQ(wave.samples, data);
}

TEST(WaveReader, PartialTrailingFrameIsDropped) {
    WaveData wave;
    ASSERT_TRUE(
        Read(Riff({Chunk("fmt ", PcmFormatBody(2, 8000, 16)), Chunk("data", Samples(10))}), &wave)
            .ok());
    EXPECT_EQ(wave.samples.size(), 8u);
}

TEST(WaveReader, NonPcmFormatsAreParsedButNotPlayable) {
    // IMA ADPCM: block align 256, 4 bits.
    Bytes format = FormatBody(0x11, 1, 8000, 256, 4);
    test::AppendU16(&format, 2);
    test::AppendU16(&format, 505);
    WaveInfo info;
    const Bytes file = Riff({Chunk("fmt ", format), Chunk("data", Samples(512))});
    MemoryByteSource source(file.data(), file.size());
    ASSERT_TRUE(ParseWaveInfo(source, &info).ok());
    EXPECT_FALSE(info.format.AsPlayablePcm().has_value());
}

TEST(WaveReader, RefusesWhatIsNotAWave) {
    EXPECT_NE(Refusal({}).find("too short"), std::string::npos);
    EXPECT_NE(Refusal(Bytes(11, 0)).find("too short"), std::string::npos);
    Bytes not_riff = Riff({});
    not_riff[0] = 'X';
    EXPECT_NE(Refusal(not_riff).find("not a RIFF"), std::string::npos);
    Bytes avi = Riff({});
    avi[8] = 'A';
    EXPECT_NE(Refusal(avi).find("WAVE"), std::string::npos);
}

TEST(WaveReader, RefusesSizesPastTheEnd) {
    const Bytes fmt = Chunk("fmt ", PcmFormatBody(1, 8000, 16));
    // The RIFF size claims more than the file holds.
    EXPECT_NE(
        Refusal(RiffWithSize(0xFFFFFFF0u, {fmt, Chunk("data", Samples(8))})).find("past the end"),
        std::string::npos);
    // A data chunk of 4 GiB in a tiny file: refused before anything is read.
    EXPECT_NE(Refusal(Riff({fmt, ChunkWithSize("data", 0xFFFFFFFFu, Samples(8))}))
                  .find("declares 4294967295 bytes"),
              std::string::npos);
    // An unknown chunk that runs past the RIFF chunk.
    EXPECT_NE(Refusal(Riff({ChunkWithSize("LIST", 1000, Samples(4)), fmt})).find("LIST"),
              std::string::npos);
    // A truncated chunk header at the end.
    EXPECT_NE(Refusal(Riff({fmt, Bytes{'d', 'a', 't'}})).find("truncated chunk header"),
              std::string::npos);
    // A RIFF size below 4.
    EXPECT_NE(Refusal(RiffWithSize(2, {})).find("too small"), std::string::npos);
}

TEST(WaveReader, RefusesImpossibleFormats) {
    auto with_format = [](const Bytes& format) {
        return Riff({Chunk("fmt ", format), Chunk("data", Samples(8))});
    };
    EXPECT_NE(Refusal(with_format(FormatBody(1, 0, 8000, 2, 16))).find("0 channels"),
              std::string::npos);
    EXPECT_NE(Refusal(with_format(FormatBody(1, 1, 8000, 0, 16))).find("block align of 0"),
              std::string::npos);
    EXPECT_NE(Refusal(with_format(FormatBody(1, 1, 0, 2, 16))).find("sample rate of 0"),
              std::string::npos);
    EXPECT_NE(Refusal(with_format(FormatBody(1, 1, 8000, 2, 0))).find("0 bits"), std::string::npos);
    EXPECT_NE(Refusal(with_format(FormatBody(1, 2, 8000, 2, 16))).find("block align of 2 bytes"),
              std::string::npos);
    EXPECT_NE(Refusal(with_format(Bytes(14, 1))).find("fewer than the 16"), std::string::npos);
    EXPECT_NE(Refusal(with_format(Bytes(5000, 1))).find("more than 4096"), std::string::npos);
    Bytes extra_too_big = PcmFormatBody(1, 8000, 16);
    test::AppendU16(&extra_too_big, 30);  // cbSize beyond the chunk
    EXPECT_NE(Refusal(with_format(extra_too_big)).find("extra bytes"), std::string::npos);
}

TEST(WaveReader, RefusesMisplacedChunks) {
    const Bytes fmt = Chunk("fmt ", PcmFormatBody(1, 8000, 16));
    const Bytes data = Chunk("data", Samples(8));
    EXPECT_NE(Refusal(Riff({data, fmt})).find("before the fmt chunk"), std::string::npos);
    EXPECT_NE(Refusal(Riff({fmt, fmt, data})).find("repeated fmt chunk"), std::string::npos);
    EXPECT_NE(Refusal(Riff({data})).find("before the fmt"), std::string::npos);
    EXPECT_EQ(Refusal(Riff({Chunk("LIST", Samples(4))})), "no fmt chunk");
    EXPECT_EQ(Refusal(Riff({fmt})), "no data chunk");
}

TEST(WaveReader, TrailingBytesAfterTheRiffChunkAreIgnored) {
    Bytes file = Riff({Chunk("fmt ", PcmFormatBody(1, 8000, 16)), Chunk("data", Samples(4))});
    file.insert(file.end(), 100, 0xEE);
    WaveData wave;
    ASSERT_TRUE(Read(file, &wave).ok());
    EXPECT_EQ(wave.samples, Samples(4));
}

TEST(WaveReader, ReadsFromAFileAndReportsAMissingOne) {
    test::TempDir dir;
    const Bytes data = Samples(100);
    test::WriteFileBytes(dir.file("a.wav"),
                         Riff({Chunk("fmt ", PcmFormatBody(1, 8000, 16)), Chunk("data", data)}));
    WaveData wave;
    ASSERT_TRUE(ReadWaveFile(dir.file("a.wav"), &wave).ok());
    EXPECT_EQ(wave.samples, data);
    const WaveStatus missing = ReadWaveFile(dir.file("none.wav"), &wave);
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.message().find("none.wav"), std::string::npos);
}

}  // namespace
}  // namespace kivo::wavefile
