// Replays every committed input of the wave reader's fuzz corpus (seeds and
// findings) through the fuzz entry, and checks that the good seeds still
// parse and the bad ones are still refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"
#include "kivo/wavefile/wave_reader.h"
#include "wave_fuzz_entry.h"

namespace kivo::wavefile {
namespace {

std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(KIVO_WAVE_FUZZ_CORPUS)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(WaveFuzzCorpus, EveryInputKeepsTheReadersPromises) {
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto bytes = test::ReadFileBytes(file.string());
        EXPECT_EQ(WaveReaderFuzzEntry(bytes.data(), bytes.size()), 0);
    }
}

TEST(WaveFuzzCorpus, GoodSeedsParseAndBadSeedsAreRefused) {
    for (const auto& file : CorpusFiles()) {
        const std::string name = file.filename().string();
        const bool good = name.rfind("good-", 0) == 0;
        const bool bad = name.rfind("bad-", 0) == 0;
        if (!good && !bad) {
            continue;  // findings and fuzzer-made inputs
        }
        SCOPED_TRACE(name);
        WaveData wave;
        const WaveStatus status = ReadWaveFile(file.string(), &wave);
        EXPECT_EQ(status.ok(), good) << status.message();
    }
}

}  // namespace
}  // namespace kivo::wavefile
