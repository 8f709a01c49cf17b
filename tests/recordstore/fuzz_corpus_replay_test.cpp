// Replays the committed fuzz corpora of the record store (fuzz/recordstore/
// corpus/<kind>: seeds, findings and the minimised corpus of long runs)
// through the libFuzzer targets' own entry points, so every input that once
// broke a promise stays fixed. An input that breaks one aborts this test as
// it aborted the fuzzer; the file being replayed is printed first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "container_open_fuzz_entry.h"
#include "file_bytes.h"
#include "kivo/recordstore/media_codec.h"
#include "kivo/recordstore/recording_container.h"
#include "media_decode_fuzz_entry.h"
#include "media_round_trip_fuzz_entry.h"
#include "record_files_fuzz_entry.h"
#include "temp_dir.h"

namespace kivo::test {
namespace {

namespace fs = std::filesystem;
using recordstore::CodecOutcome;
using FuzzEntry = int (*)(const std::uint8_t*, std::size_t);

const fs::path kCorpusFolder = fs::path(KIVO_RECORDSTORE_FUZZ_DIR) / "corpus";

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        if (item.is_regular_file())
            files.push_back(item.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Replays every file of the folder; returns how many there were.
std::size_t Replay(const fs::path& folder, FuzzEntry entry) {
    const std::vector<fs::path> files = FilesIn(folder);
    for (const fs::path& file : files) {
        std::printf("replaying %s\n", file.string().c_str());
        std::fflush(stdout);
        const Bytes bytes = ReadFileBytes(file.string());
        EXPECT_EQ(entry(bytes.data(), bytes.size()), 0) << file;
    }
    return files.size();
}

// The entries make and remove a file per input: on a memory file system
// when there is one.
class MemoryTempFolder : public ::testing::Environment {
public:
    void SetUp() override {
        if (access("/dev/shm", W_OK | X_OK) == 0)
            setenv("TMPDIR", "/dev/shm", 1);
    }
};
const auto* const kMemoryTempFolder = ::testing::AddGlobalTestEnvironment(new MemoryTempFolder);

TEST(RecordstoreFuzzReplay, MediaDecodeCorpusKeepsTheCodecsPromises) {
    EXPECT_GT(Replay(kCorpusFolder / "media_decode", fuzz::FuzzMediaDecode), 0u)
        << "the seed corpus is missing";
}

TEST(RecordstoreFuzzReplay, MediaRoundTripCorpusComesBackByteForByte) {
    EXPECT_GT(Replay(kCorpusFolder / "media_round_trip", fuzz::FuzzMediaRoundTrip), 0u)
        << "the seed corpus is missing";
}

// "seed-left-*" waves are ones the codec leaves as they are; every other
// seed is a wave it encodes.
TEST(RecordstoreFuzzReplay, MediaRoundTripSeedsAreEncodedOrLeftAsTheirNamesSay) {
    int encoded = 0;
    int left = 0;
    for (const fs::path& file : FilesIn(kCorpusFolder / "media_round_trip")) {
        const std::string name = file.filename().string();
        if (name.rfind("seed-", 0) != 0)
            continue;
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = dir.file("D20260101000000.xrw");
        WriteFileBytes(path, ReadFileBytes(file.string()));
        const bool expect_left = name.rfind("seed-left-", 0) == 0;
        EXPECT_EQ(recordstore::MediaCodec().Encode(path).outcome,
                  expect_left ? CodecOutcome::kLeftAsIs : CodecOutcome::kEncoded);
        ++(expect_left ? left : encoded);
    }
    EXPECT_GE(encoded, 5);
    EXPECT_GE(left, 5);
}

TEST(RecordstoreFuzzReplay, ContainerOpenCorpusKeepsTheOpenersPromises) {
    EXPECT_GT(Replay(kCorpusFolder / "container_open", fuzz::FuzzContainerOpen), 0u)
        << "the seed corpus is missing";
}

// The built seeds still open, so the fuzzer starts from containers that
// reach the extraction and the decoder.
TEST(RecordstoreFuzzReplay, ContainerOpenBuiltSeedsOpen) {
    for (const char* name : {"seed-message", "seed-other-base-name", "seed-plain-media"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string container = dir.file("D20260101000000.xrz");
        WriteFileBytes(container,
                       ReadFileBytes((kCorpusFolder / "container_open" / name).string()));
        fs::create_directory(dir.path() / "work");
        EXPECT_EQ(recordstore::RecordingContainer::OpenStandAlone(container, dir.file("work"),
                                                                  recordstore::MediaKind::kAudio),
                  recordstore::ContainerResult::kDone);
        const Bytes media = ReadFileBytes(dir.file("work/D20260101000000.xrw"));
        ASSERT_GE(media.size(), 4u);
        EXPECT_EQ(std::string(media.begin(), media.begin() + 4), "RIFF");
    }
}

TEST(RecordstoreFuzzReplay, RecordFilesCorpusKeepsTheReadersPromises) {
    EXPECT_GT(Replay(kCorpusFolder / "record_files", fuzz::FuzzRecordFiles), 0u)
        << "the seed corpus is missing";
}

// The hand-made seeds still mean what their names say, so the corpus keeps
// starting the fuzzer from real stored forms: "seed-<layout>" decodes,
// "seed-damaged-*" fails or is not taken for the stored form, and a plain
// wave is left as it is.
TEST(RecordstoreFuzzReplay, MediaDecodeSeedsDecodeAsTheirNamesSay) {
    int decoded = 0;
    int damaged = 0;
    for (const fs::path& file : FilesIn(kCorpusFolder / "media_decode")) {
        const std::string name = file.filename().string();
        if (name.rfind("seed-", 0) != 0)
            continue;
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = dir.file("D20260101000000.xrw");
        const Bytes bytes = ReadFileBytes(file.string());
        WriteFileBytes(path, bytes);
        const auto result = recordstore::MediaCodec().Decode(path);
        // A FLAC stream whose "KIVW" block cannot be found (another id, or a
        // metadata walk that runs past the end) is not taken for the stored form.
        if (name == "seed-plain-wave" || name == "seed-damaged-foreign-flac" ||
            name == "seed-damaged-block-length-past-end" ||
            name == "seed-damaged-truncated-in-block") {
            EXPECT_EQ(result.outcome, CodecOutcome::kLeftAsIs);
            EXPECT_EQ(ReadFileBytes(path), bytes);
        } else if (name.rfind("seed-damaged-", 0) == 0) {
            ++damaged;
            EXPECT_EQ(result.outcome, CodecOutcome::kFailed);
            EXPECT_EQ(ReadFileBytes(path), bytes);
        } else {
            ++decoded;
            ASSERT_EQ(result.outcome, CodecOutcome::kDecoded) << result.message;
            const Bytes wave = ReadFileBytes(path);
            ASSERT_GE(wave.size(), 12u);
            EXPECT_EQ(std::string(wave.begin(), wave.begin() + 4), "RIFF");
        }
    }
    EXPECT_GE(decoded, 5);
    EXPECT_GE(damaged, 5);
}

}  // namespace
}  // namespace kivo::test
