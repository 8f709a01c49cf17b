// kivoctl import: audio and recording files become records of a store, each
// file refused alone with its reason, numbered from the user's profile.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "file_bytes.h"
#include "kivo/wavefile/wave_writer.h"
#include "kivoctl_run.h"
#include "temp_dir.h"

namespace kivo::kivoctl {
namespace {

namespace fs = std::filesystem;

class KivoctlImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        options_.environment["KIVO_HOME"] = (dir_.path() / "home").string();
        options_.environment["USER"] = "tester";
        options_.time_limit = std::chrono::milliseconds(60000);
        ASSERT_EQ(test::RunKivoctl({"new", store_}, options_).status, 0);
        std::vector<std::int16_t> samples(8000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(5000 * std::sin(0.1 * static_cast<double>(i)));
        ASSERT_TRUE(wavefile::WritePcmWave(dir_.file("voice memo.wav"), {1, 8000, 16},
                                           reinterpret_cast<const std::uint8_t*>(samples.data()),
                                           samples.size() * 2)
                        .ok());
        kivo::test::WriteFileText(dir_.file("broken.mp3"), std::string(3000, 'q'));
    }

    kivo::test::TempDir dir_;
    std::string store_ = dir_.file("Memos.xrt");
    test::ProgramOptions options_;
};

TEST_F(KivoctlImportTest, AudioFilesBecomeRecordsAndABrokenOneIsNamedWithItsReason) {
    const test::Result imported =
        test::RunKivoctl({"import", store_, dir_.file("voice memo.wav"), dir_.file("broken.mp3"),
                          dir_.file("voice memo.wav")},
                         options_);
    EXPECT_EQ(imported.status, 1) << imported.err;
    EXPECT_NE(imported.out.find("voice memo.wav: record 1\n"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("voice memo.wav: record 2\n"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("2 of 3 files imported"), std::string::npos);
    EXPECT_NE(imported.err.find("broken.mp3: Failed to import - check format: "), std::string::npos)
        << imported.err;

    const test::Result listed = test::RunKivoctl({"list", store_}, options_);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("voice memo.wav"), std::string::npos) << listed.out;
    // The numbers came from the user's profile counter.
    EXPECT_NE(kivo::test::ReadFileText((dir_.path() / "home" / "KIVO.ini").string())
                  .find("RecID=00000002"),
              std::string::npos);
}

TEST_F(KivoctlImportTest, ImportsOneAfterAnotherEachCloseTheStoreCleanly) {
    for (int round = 1; round <= 2; ++round) {
        const auto imported =
            test::RunKivoctl({"import", store_, dir_.file("voice memo.wav")}, options_);
        EXPECT_EQ(imported.status, 0) << imported.err;
        EXPECT_EQ(imported.err, "") << "round " << round;
    }
    const auto listed = test::RunKivoctl({"list", store_}, options_);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("00000001"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("00000002"), std::string::npos) << listed.out;
}

TEST_F(KivoctlImportTest, AFileOfNoKnownKindIsRefusedAndTheStoreIsUnchanged) {
    kivo::test::WriteFileText(dir_.file("notes.txt"), "text");
    const std::string before = test::FileContent(store_);
    const test::Result imported =
        test::RunKivoctl({"import", store_, dir_.file("notes.txt")}, options_);
    EXPECT_EQ(imported.status, 1);
    EXPECT_NE(imported.err.find("notes.txt: not a recording"), std::string::npos);
    EXPECT_NE(imported.out.find("0 of 1 files imported"), std::string::npos);
    const test::Result listed = test::RunKivoctl({"list", store_}, options_);
    EXPECT_EQ(listed.out.find("notes"), std::string::npos);
}

TEST_F(KivoctlImportTest, WithoutFilesItIsAUsageFault) {
    EXPECT_EQ(test::RunKivoctl({"import", store_}, options_).status, 2);
}

}  // namespace
}  // namespace kivo::kivoctl
