// Replays the committed fuzz inputs of the repository engine: the corpus of
// each target and every finding, through the targets' own entry points. An
// input that breaks a promise aborts this test as it aborted the fuzzer; the
// name of the file being replayed is printed first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "repository_fuzz_entry.h"

namespace kivo::fuzz {
namespace {

namespace fs = std::filesystem;
using FuzzEntry = int (*)(const std::uint8_t*, std::size_t);

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        if (item.is_regular_file()) {
            files.push_back(item.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Replays every file of the folder and returns how many there were.
std::size_t Replay(const fs::path& folder, FuzzEntry entry) {
    std::vector<fs::path> files = FilesIn(folder);
    for (const fs::path& file : files) {
        std::printf("replaying %s\n", file.string().c_str());
        std::fflush(stdout);
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        EXPECT_EQ(entry(bytes.data(), bytes.size()), 0) << file;
    }
    return files.size();
}

const fs::path kFuzzFolder = KIVO_REPOSITORY_FUZZ_DIR;

// The entry points make and remove a few files per input, hundreds of times:
// on a memory file system when there is one, so the disk's latency does not
// set the pace.
class MemoryTempFolder : public ::testing::Environment {
public:
    void SetUp() override {
        if (access("/dev/shm", W_OK | X_OK) == 0) {
            setenv("TMPDIR", "/dev/shm", 1);
        }
    }
};
const auto* const kMemoryTempFolder = ::testing::AddGlobalTestEnvironment(new MemoryTempFolder);

TEST(RepositoryFuzzReplay, ReadingCorpusAndFindings) {
    EXPECT_GT(Replay(kFuzzFolder / "corpus" / "reading", FuzzRepositoryReading), 0u)
        << "the seed corpus is missing";
    Replay(kFuzzFolder / "findings" / "reading", FuzzRepositoryReading);
}

TEST(RepositoryFuzzReplay, RecoveryCorpusAndFindings) {
    EXPECT_GT(Replay(kFuzzFolder / "corpus" / "recovery", FuzzRepositoryRecovery), 0u)
        << "the seed corpus is missing";
    Replay(kFuzzFolder / "findings" / "recovery", FuzzRepositoryRecovery);
}

}  // namespace
}  // namespace kivo::fuzz
